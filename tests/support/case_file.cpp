#include "case_file.h"

#include <fstream>

#include "palm/text.h"

std::vector<FileCase> ReadCaseFile(const std::string& path) {
    std::vector<FileCase> cases;
    std::ifstream in(path);
    const std::string file = path.substr(path.find_last_of("/\\") + 1);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (line.compare(start, 5, "case ") == 0) {
            cases.push_back({line.substr(start + 5), file, number, {}});
        } else if (!cases.empty()) {
            cases.back().commands.push_back({number, line.substr(start)});
        }
    }
    return cases;
}

namespace {

void Flush(std::string& utf8, std::string& text, bool cp1252) {
    std::string converted, error;
    text += cp1252 && palm::Utf8ToCp1252(utf8, converted, error) ? converted : utf8;
    utf8.clear();
}

}  // namespace

bool SplitWords(const std::string& line, std::vector<Word>& words, std::string& error,
                bool cp1252) {
    for (size_t i = 0; i < line.size();) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
        } else if (line[i] == '#') {
            break;
        } else if (line[i] == '"') {
            std::string utf8, text;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] != '\\' || i + 1 == line.size()) {
                    utf8 += line[i];
                    continue;
                }
                const char e = line[++i];
                if (e == 'x' && i + 2 < line.size()) {
                    Flush(utf8, text, cp1252);
                    text += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                } else if (e == 't' || e == 'r' || e == 'n') {
                    utf8 += e == 't' ? '\t' : e == 'r' ? '\r' : '\n';
                } else if (e == '\\' || e == '"') {
                    utf8 += e;
                } else {
                    utf8 += '\\';
                    utf8 += e;
                }
            }
            if (i == line.size()) {
                error = "unterminated text";
                return false;
            }
            ++i;
            Flush(utf8, text, cp1252);
            words.push_back({text, true});
        } else {
            size_t end = line.find_first_of(" \t", i);
            if (end == std::string::npos) end = line.size();
            words.push_back({line.substr(i, end - i), false});
            i = end;
        }
    }
    return true;
}
