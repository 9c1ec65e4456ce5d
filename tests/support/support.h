// Helpers shared by the test suites: temporary folders, child processes synchronised through
// pipes, file bytes, and readable printing of station text.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gti/platform/ansi_string.h"
#include "gti/platform/system.h"

class TStringList;
namespace lib::io {
class BinaryMemoryOutputStream;
}

// Prints station text in UTF-8, so failure messages are readable on a terminal.
void PrintTo(const AnsiString& s, std::ostream* os);

namespace gti_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    // The folder's path.
    const AnsiString& path() const { return path_; }
    // The path of a file in the folder (the name in code page 1251).
    AnsiString file(const AnsiString& name) const { return path_ + "/" + name; }

private:
    AnsiString path_;
};

// The bytes of a file, or an empty string when it cannot be read.
std::string read_bytes(const AnsiString& path);
// Writes the bytes to a file, replacing it.
void write_bytes(const AnsiString& path, const std::string& bytes);
// True when the file exists.
bool exists(const AnsiString& path);
// The items of a string list.
std::vector<AnsiString> items(const TStringList& list);
// The bytes written to a memory stream.
std::string bytes_of(const lib::io::BinaryMemoryOutputStream& out);
// Bytes from hexadecimal pairs; blanks between them are ignored.
std::string hex(std::string_view text);

// Records the beeps sounded while it lives; the handler before it comes back afterwards.
class beep_recorder {
public:
    // Frequency and duration of each beep, in order.
    using list = std::vector<std::pair<unsigned, unsigned>>;
    beep_recorder();
    ~beep_recorder();
    beep_recorder(const beep_recorder&) = delete;
    beep_recorder& operator=(const beep_recorder&) = delete;

    list beeps;

private:
    lib::beep_handler previous_;
};

// A forked child process (POSIX only) with a pipe each way, so that the two sides can order their steps
// without sleeping. The child runs `body` and exits with its result; it must not use gtest.
class child_process {
public:
    // The child's side of the pipes.
    struct channel {
        int to_parent = -1;
        int from_parent = -1;
        // Sends one byte to the parent.
        void send(char c) const;
        // Waits for one byte from the parent; 0 when the parent has gone.
        char receive() const;
    };

    explicit child_process(const std::function<int(const channel&)>& body);
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    // Sends one byte to the child.
    void send(char c) const;
    // Waits for one byte from the child (at most 30 s); 0 when the child has gone or is silent.
    char receive() const;
    // Waits for the child to end and returns its exit code (-1 when it was killed).
    int wait();
    // Kills the child at once.
    void kill();

private:
    int pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
};

}  // namespace gti_test
