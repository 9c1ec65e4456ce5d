// AnsiString: the station's byte string.
//
// Every text of the station (file contents, INI keys, parameter names, messages) is 8-bit code
// page 1251 and travels as an AnsiString. It is a value class over std::string with the
// std-style members the library uses; it is a type of its own because the station's interfaces
// have separate overloads for it and for std::string. Indexing is zero-based.
#pragma once

#include <compare>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

// An 8-bit code page 1251 string, copied by value; empty is a valid value.
class AnsiString {
public:
    using size_type = std::size_t;
    using iterator = std::string::iterator;
    using const_iterator = std::string::const_iterator;
    static constexpr size_type npos = std::string::npos;

    // The empty string.
    AnsiString() = default;
    // From a zero-terminated text; a null pointer gives the empty string.
    AnsiString(const char* text) : s_(text ? text : "") {}
    // From `count` bytes, zero bytes included.
    AnsiString(const char* data, size_type count) : s_(data, count) {}
    // From the bytes of a standard string.
    AnsiString(const std::string& s) : s_(s) {}
    AnsiString(std::string&& s) noexcept : s_(std::move(s)) {}
    explicit AnsiString(std::string_view s) : s_(s) {}
    // `count` copies of one byte.
    AnsiString(size_type count, char c) : s_(count, c) {}

    // The station text of UTF-8 text. Throws std::invalid_argument, its message showing the text
    // with each character 1251 cannot represent marked "<U+XXXX>" (a byte that is not UTF-8:
    // "<0xNN>"), when the text does not convert.
    static AnsiString from_utf8(std::string_view utf8);
    // The text in UTF-8; every byte string converts.
    std::string to_utf8() const;

    // The bytes as a standard string.
    const std::string& str() const& noexcept { return s_; }
    std::string&& str() && noexcept { return std::move(s_); }
    // The bytes as a view; valid while the string is unchanged.
    std::string_view view() const noexcept { return s_; }
    // The bytes followed by a zero byte.
    const char* c_str() const noexcept { return s_.c_str(); }
    // The bytes (also zero-terminated).
    const char* data() const noexcept { return s_.data(); }
    char* data() noexcept { return s_.data(); }

    // The number of bytes.
    size_type size() const noexcept { return s_.size(); }
    size_type length() const noexcept { return s_.size(); }
    // True for the empty string.
    bool empty() const noexcept { return s_.empty(); }

    // Zero-based access to single bytes and iteration over them.

    char& operator[](size_type i) { return s_[i]; }
    const char& operator[](size_type i) const { return s_[i]; }
    char& front() { return s_.front(); }
    const char& front() const { return s_.front(); }
    char& back() { return s_.back(); }
    const char& back() const { return s_.back(); }
    iterator begin() noexcept { return s_.begin(); }
    iterator end() noexcept { return s_.end(); }
    const_iterator begin() const noexcept { return s_.begin(); }
    const_iterator end() const noexcept { return s_.end(); }

    // Changing the bytes, as std::string does.
    void clear() noexcept { s_.clear(); }
    void reserve(size_type n) { s_.reserve(n); }
    void resize(size_type n, char c = '\0') { s_.resize(n, c); }
    void push_back(char c) { s_.push_back(c); }
    void pop_back() { s_.pop_back(); }
    AnsiString& append(const char* data, size_type count) {
        s_.append(data, count);
        return *this;
    }
    AnsiString& insert(size_type pos, const AnsiString& s) {
        s_.insert(pos, s.s_);
        return *this;
    }
    AnsiString& erase(size_type pos = 0, size_type count = npos) {
        s_.erase(pos, count);
        return *this;
    }
    AnsiString& operator+=(const AnsiString& s) {
        s_ += s.s_;
        return *this;
    }
    AnsiString& operator+=(const char* s) {
        s_ += s;
        return *this;
    }
    AnsiString& operator+=(char c) {
        s_ += c;
        return *this;
    }

    // The bytes from pos, at most count of them; pos past the end gives the empty string.
    AnsiString substr(size_type pos, size_type count = npos) const {
        return pos >= s_.size() ? AnsiString() : AnsiString(s_.substr(pos, count));
    }
    // Searching, as std::string does; npos when nothing is found.
    size_type find(char c, size_type pos = 0) const noexcept { return s_.find(c, pos); }
    size_type find(std::string_view s, size_type pos = 0) const noexcept { return s_.find(s, pos); }
    size_type rfind(char c, size_type pos = npos) const noexcept { return s_.rfind(c, pos); }
    size_type find_first_of(std::string_view s, size_type pos = 0) const noexcept { return s_.find_first_of(s, pos); }
    size_type find_last_of(std::string_view s, size_type pos = npos) const noexcept { return s_.find_last_of(s, pos); }
    bool starts_with(std::string_view s) const noexcept { return s_.starts_with(s); }
    bool ends_with(std::string_view s) const noexcept { return s_.ends_with(s); }

    // Concatenation.
    friend AnsiString operator+(AnsiString a, const AnsiString& b) { return a += b; }
    friend AnsiString operator+(AnsiString a, const char* b) { return a += b; }
    friend AnsiString operator+(const char* a, const AnsiString& b) { return AnsiString(a) += b; }
    friend AnsiString operator+(AnsiString a, char b) { return a += b; }

    // Byte-wise comparison, as memcmp orders the bytes (unsigned).
    friend bool operator==(const AnsiString& a, const AnsiString& b) noexcept { return a.s_ == b.s_; }
    friend bool operator==(const AnsiString& a, const char* b) noexcept { return a.s_ == b; }
    friend std::strong_ordering operator<=>(const AnsiString& a, const AnsiString& b) noexcept {
        return a.s_.compare(b.s_) <=> 0;
    }

private:
    std::string s_;
};

// Writes the string's bytes unchanged.
std::ostream& operator<<(std::ostream& os, const AnsiString& s);

template <>
struct std::hash<AnsiString> {
    std::size_t operator()(const AnsiString& s) const noexcept { return std::hash<std::string_view>{}(s.view()); }
};
