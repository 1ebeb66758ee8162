// The classic dialog template layout (DLGTEMPLATE and DLGITEMTEMPLATE as windres
// compiles DIALOG resources), walked as plain bytes: a localized copy with another
// font and localized control titles, and a reader for checks. No Windows headers,
// so the walker can be built natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kTemplateSetFont = 0x40;      // DS_SETFONT
constexpr uint16_t kButtonClassOrdinal = 0x0080;
constexpr uint16_t kStaticClassOrdinal = 0x0082;
// The longest localized title written into a copy, in UTF-16 characters.
constexpr size_t kMaxTemplateTitle = 1024;

// The font a localized copy carries: point size and face name (no terminating zero).
struct TemplateFont {
    uint16_t pointSize;
    std::u16string face;
};

// Supplies the localized title of a button or static control, or false to keep the
// template's own title.
using TemplateTitleLookup = bool (*)(void* context, uint16_t controlId, std::u16string& title);

// A growable byte block that reports allocation failure instead of throwing.
class TemplateBuffer {
public:
    TemplateBuffer() = default;
    ~TemplateBuffer();
    TemplateBuffer(const TemplateBuffer&) = delete;
    TemplateBuffer& operator=(const TemplateBuffer&) = delete;

    bool Append(const void* bytes, size_t count);
    bool AppendWord(uint16_t word);
    bool PadToDword();
    void Clear() { size_ = 0; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    bool Reserve(size_t needed);
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// The length in words of a string-or-ordinal field at words: 2 for 0xFFFF and an
// ordinal, else the characters up to and including the terminating zero; 0 when the
// field does not end within available words.
size_t StringOrOrdinalWords(const uint16_t* words, size_t available);
// True for the button and static class ordinals, whose titles are localized.
bool IsLocalizedClassOrdinal(uint16_t ordinal);

// Copies the template in data (size bytes) into out: with font (when not null) in
// place of the template's font, or added with DS_SETFONT when it had none, and with
// the titles that lookup gives for button and static controls. False, and out
// empty, when a field runs past the end of the template or memory runs out.
bool LocalizeTemplateBytes(const uint8_t* data, size_t size, const TemplateFont* font, TemplateTitleLookup lookup,
                           void* context, TemplateBuffer& out);

// What a template holds, for checks and tests.
struct TemplateControl {
    uint16_t id = 0;
    uint32_t style = 0;
    uint16_t classOrdinal = 0;  // 0 when the class is a name
    std::u16string className;
    uint16_t titleOrdinal = 0;  // 0 when the title is text
    std::u16string title;
};
struct TemplateInfo {
    uint32_t style = 0;
    bool hasFont = false;
    uint16_t pointSize = 0;
    std::u16string face;
    std::u16string title;
    std::vector<TemplateControl> controls;
};
// Reads a whole template; false when a field runs past the end.
bool ReadDialogTemplate(const uint8_t* data, size_t size, TemplateInfo& info);
