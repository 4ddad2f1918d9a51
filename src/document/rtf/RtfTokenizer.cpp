#include "document/rtf/RtfTokenizer.h"

#include <algorithm>
#include <limits>

namespace zarovia::document::rtf {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

Token tokenOf(TokenKind kind) {
    Token token;
    token.kind = kind;
    return token;
}

}  // namespace

Token Tokenizer::next() {
    while (pos_ < input_.size()) {
        const char c = input_[pos_];
        if (c == '{') {
            ++pos_;
            return tokenOf(TokenKind::GroupStart);
        }
        if (c == '}') {
            ++pos_;
            return tokenOf(TokenKind::GroupEnd);
        }
        if (c == '\\') return controlSequence();
        // Line breaks in the file carry no meaning; a zero byte is not text either.
        if (c == '\r' || c == '\n' || c == '\0') {
            ++pos_;
            continue;
        }
        const std::size_t start = pos_;
        while (pos_ < input_.size()) {
            const char d = input_[pos_];
            if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n' || d == '\0') break;
            ++pos_;
        }
        Token token = tokenOf(TokenKind::Text);
        token.text = input_.substr(start, pos_ - start);
        return token;
    }
    return tokenOf(TokenKind::End);
}

Token Tokenizer::controlSequence() {
    ++pos_;  // the backslash
    if (pos_ >= input_.size()) return tokenOf(TokenKind::End);
    const char c = input_[pos_];
    if (!isLetter(c)) {
        ++pos_;
        if (c == '\'') {
            if (pos_ + 2 <= input_.size()) {
                const int hi = hexDigitValue(input_[pos_]);
                const int lo = hexDigitValue(input_[pos_ + 1]);
                if (hi >= 0 && lo >= 0) {
                    pos_ += 2;
                    Token token = tokenOf(TokenKind::HexByte);
                    token.byte = static_cast<unsigned char>(hi * 16 + lo);
                    return token;
                }
            }
        }
        Token token = tokenOf(TokenKind::ControlSymbol);
        token.symbol = c;
        return token;
    }
    const std::size_t start = pos_;
    while (pos_ < input_.size() && isLetter(input_[pos_])) ++pos_;
    Token token = tokenOf(TokenKind::ControlWord);
    token.text = input_.substr(start, std::min(pos_ - start, kMaxWordLength));
    bool negative = false;
    if (pos_ + 1 < input_.size() && input_[pos_] == '-' && isDigit(input_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    if (pos_ < input_.size() && isDigit(input_[pos_])) {
        token.hasParameter = true;
        std::int64_t value = 0;
        constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
        while (pos_ < input_.size() && isDigit(input_[pos_])) {
            value = std::min<std::int64_t>(value * 10 + (input_[pos_] - '0'), kLimit);
            ++pos_;
        }
        token.parameter = static_cast<std::int32_t>(negative ? -value : value);
    }
    // One blank ends the word and belongs to it.
    if (pos_ < input_.size() && input_[pos_] == ' ') ++pos_;
    return token;
}

std::string_view Tokenizer::takeBinary(std::int64_t count) {
    if (count <= 0) return {};
    const std::size_t available = input_.size() - pos_;
    const std::size_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), available);
    const std::string_view bytes = input_.substr(pos_, n);
    pos_ += n;
    return bytes;
}

}  // namespace zarovia::document::rtf
