#include "numbers/field_reader.h"

#include <string_view>

#include "numbers/numbers.h"

namespace zelmar {

namespace {
bool IsBlank(int c) {
    return c == ' ' || c == '\t';
}
bool IsLineEnd(int c) {
    return c == '\r' || c == '\n';
}
}  // namespace

FieldReader::FieldReader(std::istream& in) : in_(in) {
    // Editors that save as UTF-8 may put the mark in front; it would glue itself to the first
    // number and make it no number. The streams read here are files and strings, which seek.
    if (in_.peek() != 0xEF) return;
    const std::istream::pos_type start = in_.tellg();
    char head[3] = {};
    in_.read(head, sizeof head);
    if (in_.gcount() == 3 && std::string_view(head, 3) == "\xEF\xBB\xBF") return;
    in_.clear();
    in_.seekg(start);
}

bool FieldReader::AtEnd() const {
    return in_.rdbuf() == nullptr || in_.rdbuf()->sgetc() == std::char_traits<char>::eof();
}

void FieldReader::SkipBlanks() {
    while (IsBlank(in_.peek())) in_.get();
}

// After a field: up to and including the comma or the line end (CR LF, CR or LF) that ends it.
void FieldReader::SkipSeparator() {
    SkipBlanks();
    const int c = in_.peek();
    if (c == ',') {
        in_.get();
    } else if (c == '\r') {
        in_.get();
        if (in_.peek() == '\n') in_.get();
    } else if (c == '\n') {
        in_.get();
    } else if (c != std::char_traits<char>::eof()) {
        // Text after a closing quote belongs to no field; it is passed over up to the separator.
        while (in_.peek() != std::char_traits<char>::eof() && in_.peek() != ',' &&
               !IsLineEnd(in_.peek()))
            in_.get();
        SkipSeparator();
    }
}

std::string FieldReader::Next() {
    if (in_.bad()) throw StepError("Device I/O error");
    if (AtEnd()) throw StepError("Input past end of file");
    SkipBlanks();
    std::string field;
    if (in_.peek() == '"') {
        in_.get();
        for (int c = in_.get(); c != std::char_traits<char>::eof() && c != '"'; c = in_.get())
            field.push_back(static_cast<char>(c));
    } else {
        for (int c = in_.peek(); c != std::char_traits<char>::eof() && c != ',' && !IsLineEnd(c);
             c = in_.peek())
            field.push_back(static_cast<char>(in_.get()));
        while (!field.empty() && IsBlank(field.back())) field.pop_back();
    }
    if (in_.bad()) throw StepError("Device I/O error");
    SkipSeparator();
    in_.clear(in_.rdstate() & ~std::ios::failbit & ~std::ios::eofbit);
    return field;
}

}  // namespace zelmar
