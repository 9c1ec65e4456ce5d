// Compressed data files, and the command that converts data files.
//
// A compressed data file (".creg") is the store's compressed data stream ("CREGFILE", see
// gti/storage/file_storage.h) deflated with zlib at level 9, as the station keeps such streams.
#pragma once

#include <functional>
#include <vector>

#include "gti/storage/file_storage.h"

namespace gti_tool {

// The extension of compressed data files.
inline constexpr const char* compressed_extension = ".creg";

// True when the file's name ends in ".creg" (letter case ignored).
bool is_compressed_file(const AnsiString& file);

// Replaces the store's content by a compressed data file, inflated on the way; `progress`, when
// set, hears how much of the file is done (0 to 1). Throws std::runtime_error for damaged zlib
// data or data that end early, besides the errors of load_after_decompressing.
void load_compressed_file(FileStorage& store, const AnsiString& file,
                          const std::function<void(double)>& progress = nullptr);

// Writes the store as a compressed data file, deflated on the way; `progress`, when set, hears
// how much is done (0 to 1). Nothing is written when the stream cannot be made.
void save_compressed_file(FileStorage& store, const AnsiString& file, FileStorage::EncodeType encoding,
                          const std::function<void(double)>& progress = nullptr);

// gti convert IN OUT [--plain|--quantized]: reads any data file the tool knows and writes it in
// the kind that OUT's extension names, with a progress bar on standard error when that is a
// terminal. Returns the exit code; throws std::runtime_error with the reason of a failure.
int convert(const std::vector<AnsiString>& args);

}  // namespace gti_tool
