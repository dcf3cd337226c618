// Files of test cases written as data. "case NAME" starts a case and the
// lines after it are its commands, one per line; blank lines and lines that
// start with # are skipped.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

struct FileCase {
    std::string name;
    std::string file;
    int line = 0;                                       // of the "case" line
    std::vector<std::pair<int, std::string>> commands;  // line number, text
};

// Test names and failure messages show a case by its name.
inline void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }

// The cases of the file at path (an empty list when it cannot be read).
std::vector<FileCase> ReadCaseFile(const std::string& path);

struct Word {
    std::string text;
    bool quoted;
};

// Words and double-quoted texts; # outside a text starts a comment. In a
// text \t \r \n \\ \" and \xNN (a byte as it is) escape; a backslash before
// anything else stands for itself, as in paths. With cp1252 the UTF-8 of the
// file becomes Windows-1252 where it can, else it is kept as it is.
bool SplitWords(const std::string& line, std::vector<Word>& words, std::string& error,
                bool cp1252 = true);
