#include "texts.h"

int CompareFoldingAZ(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const unsigned char x = static_cast<unsigned char>(FoldAZ(*a));
        const unsigned char y = static_cast<unsigned char>(FoldAZ(*b));
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

void TranslateEscapes(const char* source, char* target, size_t size) {
    if (size == 0) return;
    size_t out = 0;
    for (const char* p = source; *p != '\0' && out + 1 < size; ++p) {
        char c = *p;
        if (c == '\\') {
            ++p;
            if (*p == '\0') break;
            switch (*p) {
                case 'n':
                    c = '\n';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 't':
                    c = '\t';
                    break;
                default:
                    c = *p;
                    break;
            }
        }
        target[out++] = c;
    }
    target[out] = '\0';
}
