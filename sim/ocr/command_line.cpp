#include "command_line.h"

namespace {

const char* SkipBlanks(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    return text;
}

}  // namespace

std::string TakeWord(const char** text)
{
    const char* at = SkipBlanks(*text);
    std::string word;
    if (*at == '"') {
        for (++at; *at && *at != '"'; ++at)
            word += *at;
        if (*at == '"')
            ++at;
    } else {
        for (; *at && *at != ' ' && *at != '\t'; ++at)
            word += *at;
    }
    *text = SkipBlanks(at);
    return word;
}

const char* ArgumentsOf(const char* commandLine)
{
    const char* rest = commandLine;
    TakeWord(&rest);
    return rest;
}

std::string RestAsPath(const char* text)
{
    std::string path = SkipBlanks(text);
    while (!path.empty() && (path.back() == ' ' || path.back() == '\t'))
        path.pop_back();
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    return path;
}
