// Serial lists: objects that name their persistent fields once and are written or read by them.
//
// A class takes part by listing its fields with operator| in one function,
//
//     void get_serial_list(lib::serial_list& list) { list | number | depth | name | points; }
//
// and the same function writes the fields when the list serializes and reads them when it
// deserializes, so the two orders can never drift apart. The bytes carry no names, tags or
// padding: a reader must apply the very same sequence of types.
//
//   plain value (int, enum, bool, double, ...)   its bytes in memory, little-endian
//   TDateTime                                    its 8-byte double
//   AnsiString                                   its bytes, then one zero byte
//   std::vector<T>                               a 32-bit unsigned count, then every element
//   class with get_serial_list(serial_list&)     its fields, in its order
//
// A text holding a zero byte would read back cut there, its rest taken for the next fields: texts
// given to a serial list must not hold a zero byte.
//
// Reading past the end of a buffer: the first read that would run past it returns without
// touching its destination and marks the buffer exhausted, so a record written before a field
// was added still reads, the new last field keeping its value; the next read fails with
// "binary_deserial_list::process_binary: eof". In the state `undefined` every plain transfer
// fails with "serial_buffer::state is undefinded", while texts, date-times and vector counts are
// skipped. A vector count that the bytes left cannot hold fails with
// "serial_buffer: element count exceeds the data" before anything is allocated.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/date_time.h"

namespace lib {

// The direction of a serial list.
enum serial_state {
    serialize = 0,    // transfers append bytes
    deserialize = 1,  // transfers take bytes at the read position
    undefined = 2,    // every plain transfer fails
};

// The channel through which an object lists its fields.
class serial_list {
public:
    // The list's direction.
    virtual serial_state get_serial_state() = 0;
    // Moves `size` raw bytes between `data` and the list, in the list's direction.
    virtual void process_binary(char* data, int size) = 0;

    // Applies the serial form of each element of [first, last).
    template <class T>
    void process_range(T* first, T* last);

protected:
    ~serial_list() = default;
};

// A serial list over a growable byte buffer: the payload of one module record.
class serial_buffer : public serial_list {
public:
    // An empty buffer in the given state.
    explicit serial_buffer(serial_state state) : state_(state) {}
    virtual ~serial_buffer() = default;

    serial_state get_serial_state() override { return state_; }
    void process_binary(char* data, int size) override;

    // Changes the state and goes back to the start; the bytes stay, so a buffer just written can
    // be read back.
    void set_state(serial_state state) noexcept {
        state_ = state;
        position_ = 0;
    }

    // The bytes held.
    const std::vector<char>& get_bytes() const noexcept { return bytes_; }
    // Replaces the bytes and goes back to the start.
    void set_bytes(std::vector<char> bytes) noexcept {
        bytes_ = std::move(bytes);
        position_ = 0;
    }
    // The read position; -1 once a read has run past the end.
    int get_position() const noexcept { return position_; }
    // The bytes a reader has left; 0 once exhausted.
    std::size_t bytes_left() const noexcept {
        return position_ < 0 ? 0 : bytes_.size() - static_cast<std::size_t>(position_);
    }

protected:
    std::vector<char>& bytes() noexcept { return bytes_; }
    void set_position(int position) noexcept { position_ = position; }

private:
    serial_state state_;
    std::vector<char> bytes_;
    int position_ = 0;
};

// Throws the error of a vector count that cannot be honest.
[[noreturn]] void throw_count_exceeds_data();

// The serial form of one value. Plain values travel as their bytes; a class that takes part
// provides a member get_serial_list(serial_list&) and is listed through it.
template <class T>
void get_serial_list(T& value, serial_list& list) {
    if constexpr (requires { value.get_serial_list(list); }) {
        value.get_serial_list(list);
    } else {
        static_assert(std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>,
                      "a value without get_serial_list(serial_list&) must be a plain value");
        list.process_binary(reinterpret_cast<char*>(&value), static_cast<int>(sizeof(T)));
    }
}

// A date-time: its 8-byte double; skipped unless the list serializes or deserializes.
void get_serial_list(TDateTime& value, serial_list& list);

// A text: its bytes and a zero byte; skipped unless the list serializes or deserializes.
void get_serial_list(AnsiString& value, serial_list& list);

// A vector: a 32-bit count, then the elements. Reading resizes the vector to the count.
template <class T, class A>
void get_serial_list(std::vector<T, A>& v, serial_list& list) {
    const serial_state state = list.get_serial_state();
    if (state == serialize) {
        std::uint32_t count = static_cast<std::uint32_t>(v.size());
        list.process_binary(reinterpret_cast<char*>(&count), 4);
    } else if (state == deserialize) {
        std::uint32_t count = 0;
        list.process_binary(reinterpret_cast<char*>(&count), 4);
        // Every element takes at least one byte (a plain one its size): a count the bytes left
        // cannot hold is not honest.
        if (auto* buffer = dynamic_cast<serial_buffer*>(&list)) {
            std::size_t least = 1;
            if constexpr (std::is_trivially_copyable_v<T> && !requires(T & t) { t.get_serial_list(list); })
                least = sizeof(T);
            if (count > buffer->bytes_left() / least) throw_count_exceeds_data();
        }
        // Elements already there are read in place; new ones are added one at a time, so memory
        // grows with the elements the data holds, not with what the count claims.
        if (count < v.size()) v.resize(count);
        const std::size_t kept = v.size();
        if (kept > 0) list.process_range(v.data(), v.data() + kept);
        for (std::size_t i = kept; i < count; ++i) {
            v.emplace_back();
            get_serial_list(v.back(), list);
        }
        return;
    }
    if (!v.empty()) list.process_range(v.data(), v.data() + v.size());
}

template <class T>
void serial_list::process_range(T* first, T* last) {
    for (T* p = first; p != last; ++p)
        get_serial_list(*p, *this);
}

// Lists one field and returns the list, so that a class chains its fields left to right.
template <class T>
serial_list& operator|(serial_list& list, T& value) {
    get_serial_list(value, list);
    return list;
}

// Writes a buffer as a 4-byte little-endian count followed by its bytes.
std::ostream& operator<<(std::ostream& os, serial_buffer& buffer);

// Reads a buffer written by operator<<: the count, then that many bytes, and goes back to the
// start; the state is kept. Memory grows only with the bytes that actually arrive: when the
// stream ends early the buffer holds what came and the stream reports the failure.
std::istream& operator>>(std::istream& is, serial_buffer& buffer);

}  // namespace lib
