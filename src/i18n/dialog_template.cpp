#include "i18n/dialog_template.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kHeaderBytes = 18;  // style, extended style, count, x, y, cx, cy
constexpr size_t kItemHeaderBytes = 18;  // style, extended style, x, y, cx, cy, id
constexpr size_t kItemIdOffset = 16;
constexpr uint16_t kOrdinalMark = 0xFFFF;

uint16_t WordAt(const uint8_t* p)
{
    uint16_t value;
    memcpy(&value, p, sizeof value);
    return value;
}

uint32_t DwordAt(const uint8_t* p)
{
    uint32_t value;
    memcpy(&value, p, sizeof value);
    return value;
}

// Reads a template front to back; every step checks that its bytes are there, and
// the first short read makes the reader fail for good.
class TemplateReader {
public:
    TemplateReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    size_t position() const { return position_; }
    const uint8_t* at(size_t offset) const { return data_ + offset; }

    // Takes count bytes; their offset goes to start.
    bool Take(size_t count, size_t& start)
    {
        if (!ok_ || count > size_ - position_) {
            ok_ = false;
            return false;
        }
        start = position_;
        position_ += count;
        return true;
    }

    bool Word(uint16_t& value)
    {
        size_t start;
        if (!Take(2, start))
            return false;
        value = WordAt(data_ + start);
        return true;
    }

    // Items begin on a 4-byte boundary of the template.
    bool AlignToDword()
    {
        size_t aligned = (position_ + 3) & ~static_cast<size_t>(3);
        if (!ok_ || aligned > size_) {
            ok_ = false;
            return false;
        }
        position_ = aligned;
        return true;
    }

    // A string-or-ordinal field; its offset and length in bytes go to start and bytes.
    bool StringOrOrdinal(size_t& start, size_t& bytes)
    {
        if (!ok_)
            return false;
        size_t available = (size_ - position_) / 2;
        // Copy the words out: the template need not be 2-byte aligned in memory.
        size_t words = 0;
        if (available >= 1 && WordAt(data_ + position_) == kOrdinalMark) {
            words = available >= 2 ? 2 : 0;
        } else {
            for (size_t i = 0; i < available; ++i) {
                if (WordAt(data_ + position_ + 2 * i) == 0) {
                    words = i + 1;
                    break;
                }
            }
        }
        if (words == 0) {
            ok_ = false;
            return false;
        }
        bytes = words * 2;
        return Take(bytes, start);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    bool ok_ = true;
};

bool IsOrdinalField(const uint8_t* field, size_t bytes) { return bytes == 4 && WordAt(field) == kOrdinalMark; }

std::u16string FieldText(const uint8_t* field, size_t bytes)
{
    std::u16string text;
    for (size_t i = 0; i + 2 < bytes; i += 2)
        text.push_back(static_cast<char16_t>(WordAt(field + i)));
    return text;
}

bool AppendText(TemplateBuffer& out, const std::u16string& text, size_t maxChars)
{
    size_t count = text.size() < maxChars ? text.size() : maxChars;
    for (size_t i = 0; i < count; ++i) {
        if (!out.AppendWord(static_cast<uint16_t>(text[i])))
            return false;
    }
    return out.AppendWord(0);
}

bool CopyHeaderAndFont(TemplateReader& in, const TemplateFont* font, TemplateBuffer& out, uint16_t& controls)
{
    size_t header;
    if (!in.Take(kHeaderBytes, header))
        return false;
    uint32_t style = DwordAt(in.at(header));
    controls = WordAt(in.at(header + 8));
    const bool hadFont = (style & kTemplateSetFont) != 0;

    size_t menu, menuBytes, windowClass, classBytes, title, titleBytes;
    if (!in.StringOrOrdinal(menu, menuBytes) || !in.StringOrOrdinal(windowClass, classBytes) ||
        !in.StringOrOrdinal(title, titleBytes))
        return false;
    size_t pointSize = 0, face = 0, faceBytes = 0;
    if (hadFont && (!in.Take(2, pointSize) || !in.StringOrOrdinal(face, faceBytes)))
        return false;

    uint32_t newStyle = font ? (style | kTemplateSetFont) : style;
    bool written = out.Append(&newStyle, 4) && out.Append(in.at(header + 4), kHeaderBytes - 4) &&
                   out.Append(in.at(menu), menuBytes) && out.Append(in.at(windowClass), classBytes) &&
                   out.Append(in.at(title), titleBytes);
    if (!written)
        return false;
    if (font)
        return out.AppendWord(font->pointSize) && AppendText(out, font->face, kMaxTemplateTitle);
    if (hadFont)
        return out.Append(in.at(pointSize), 2) && out.Append(in.at(face), faceBytes);
    return true;
}

bool CopyControl(TemplateReader& in, TemplateTitleLookup lookup, void* context, TemplateBuffer& out)
{
    size_t header, windowClass, classBytes, title, titleBytes, extra;
    uint16_t extraBytes;
    if (!in.AlignToDword() || !in.Take(kItemHeaderBytes, header) || !in.StringOrOrdinal(windowClass, classBytes) ||
        !in.StringOrOrdinal(title, titleBytes) || !in.Word(extraBytes) || !in.Take(extraBytes, extra))
        return false;
    if (!out.PadToDword() || !out.Append(in.at(header), kItemHeaderBytes) || !out.Append(in.at(windowClass), classBytes))
        return false;

    bool titled = false;
    if (lookup && IsOrdinalField(in.at(windowClass), classBytes) &&
        IsLocalizedClassOrdinal(WordAt(in.at(windowClass) + 2))) {
        std::u16string text;
        if (lookup(context, WordAt(in.at(header + kItemIdOffset)), text)) {
            if (!AppendText(out, text, kMaxTemplateTitle))
                return false;
            titled = true;
        }
    }
    if (!titled && !out.Append(in.at(title), titleBytes))
        return false;
    return out.AppendWord(extraBytes) && out.Append(in.at(extra), extraBytes);
}

}  // namespace

// ---- TemplateBuffer -------------------------------------------------------------------

TemplateBuffer::~TemplateBuffer() { free(data_); }

bool TemplateBuffer::Reserve(size_t needed)
{
    if (needed <= capacity_)
        return true;
    size_t capacity = capacity_ ? capacity_ : 256;
    while (capacity < needed)
        capacity *= 2;
    void* grown = realloc(data_, capacity);
    if (!grown)
        return false;
    data_ = static_cast<uint8_t*>(grown);
    capacity_ = capacity;
    return true;
}

bool TemplateBuffer::Append(const void* bytes, size_t count)
{
    if (count == 0)
        return true;
    if (!Reserve(size_ + count))
        return false;
    memcpy(data_ + size_, bytes, count);
    size_ += count;
    return true;
}

bool TemplateBuffer::AppendWord(uint16_t word) { return Append(&word, sizeof word); }

bool TemplateBuffer::PadToDword()
{
    static const uint8_t kZeros[3] = {0, 0, 0};
    size_t padding = (4 - (size_ & 3)) & 3;
    return Append(kZeros, padding);
}

// ---- Walker ----------------------------------------------------------------------------

size_t StringOrOrdinalWords(const uint16_t* words, size_t available)
{
    if (available == 0)
        return 0;
    if (words[0] == kOrdinalMark)
        return available >= 2 ? 2 : 0;
    for (size_t i = 0; i < available; ++i) {
        if (words[i] == 0)
            return i + 1;
    }
    return 0;
}

bool IsLocalizedClassOrdinal(uint16_t ordinal)
{
    return ordinal == kButtonClassOrdinal || ordinal == kStaticClassOrdinal;
}

bool LocalizeTemplateBytes(const uint8_t* data, size_t size, const TemplateFont* font, TemplateTitleLookup lookup,
                           void* context, TemplateBuffer& out)
{
    out.Clear();
    if (!data)
        return false;
    TemplateReader in(data, size);
    uint16_t controls = 0;
    bool copied = CopyHeaderAndFont(in, font, out, controls);
    for (uint16_t i = 0; copied && i < controls; ++i)
        copied = CopyControl(in, lookup, context, out);
    if (!copied)
        out.Clear();
    return copied;
}

// ---- Reader ------------------------------------------------------------------------

static void ReadField(const uint8_t* field, size_t bytes, uint16_t& ordinal, std::u16string& text)
{
    if (IsOrdinalField(field, bytes)) {
        ordinal = WordAt(field + 2);
        text.clear();
    } else {
        ordinal = 0;
        text = FieldText(field, bytes);
    }
}

bool ReadDialogTemplate(const uint8_t* data, size_t size, TemplateInfo& info)
{
    info = TemplateInfo();
    if (!data)
        return false;
    TemplateReader in(data, size);
    size_t header, menu, menuBytes, windowClass, classBytes, title, titleBytes;
    if (!in.Take(kHeaderBytes, header) || !in.StringOrOrdinal(menu, menuBytes) ||
        !in.StringOrOrdinal(windowClass, classBytes) || !in.StringOrOrdinal(title, titleBytes))
        return false;
    info.style = DwordAt(in.at(header));
    uint16_t ignored;
    ReadField(in.at(title), titleBytes, ignored, info.title);
    if (info.style & kTemplateSetFont) {
        size_t face, faceBytes;
        if (!in.Word(info.pointSize) || !in.StringOrOrdinal(face, faceBytes))
            return false;
        info.hasFont = true;
        info.face = FieldText(in.at(face), faceBytes);
    }
    uint16_t controls = WordAt(in.at(header + 8));
    for (uint16_t i = 0; i < controls; ++i) {
        size_t item, extra;
        uint16_t extraBytes;
        TemplateControl control;
        if (!in.AlignToDword() || !in.Take(kItemHeaderBytes, item) || !in.StringOrOrdinal(windowClass, classBytes) ||
            !in.StringOrOrdinal(title, titleBytes) || !in.Word(extraBytes) || !in.Take(extraBytes, extra))
            return false;
        control.style = DwordAt(in.at(item));
        control.id = WordAt(in.at(item + kItemIdOffset));
        ReadField(in.at(windowClass), classBytes, control.classOrdinal, control.className);
        ReadField(in.at(title), titleBytes, control.titleOrdinal, control.title);
        info.controls.push_back(control);
    }
    return true;
}
