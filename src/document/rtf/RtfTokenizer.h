#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zarovia::document::rtf {

// The value of a hexadecimal digit, or -1.
int hexDigitValue(char c);

enum class TokenKind {
    GroupStart,     // {
    GroupEnd,       // }
    ControlWord,    // \word or \wordN
    ControlSymbol,  // \ followed by one non-letter (\~, \{, \*, ...)
    HexByte,        // \'hh
    Text,           // a run of plain bytes (line breaks of the file are left out)
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;  // the word's letters, or the bytes of a text run
    bool hasParameter = false;
    std::int32_t parameter = 0;  // clamped to the 32-bit range
    char symbol = 0;             // ControlSymbol
    unsigned char byte = 0;      // HexByte
};

// Splits RTF bytes into tokens, in one pass and with no allocation. Every token is bounded by
// the input; numbers that overflow are clamped, words longer than kMaxWordLength are cut
// (the rest of their letters is still consumed).
class Tokenizer {
public:
    static constexpr std::size_t kMaxWordLength = 32;

    explicit Tokenizer(std::string_view input) : input_(input) {}

    Token next();
    // The `count` bytes after a \binN word, fewer when the input ends first.
    std::string_view takeBinary(std::int64_t count);
    std::size_t position() const noexcept { return pos_; }

private:
    Token controlSequence();

    std::string_view input_;
    std::size_t pos_ = 0;
};

}  // namespace zarovia::document::rtf
