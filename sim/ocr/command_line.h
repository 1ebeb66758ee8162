// The command lines the OCR programs are started with.
#pragma once

#include <string>

// The program's own command line without its first word (the program, quoted or
// not) and the blanks after it.
const char* ArgumentsOf(const char* commandLine);
// Takes one word (in double quotes when it holds blanks) off the front of text.
std::string TakeWord(const char** text);
// The rest of a line as one path: blanks around it and one pair of quotes removed.
std::string RestAsPath(const char* text);
