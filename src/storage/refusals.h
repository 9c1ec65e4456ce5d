// What the writers check before they touch a file: anything their readers would refuse, or read
// back as something else, is refused here with the reason, and the target stays as it was.
#pragma once

#include <string>
#include <vector>

#include "gti/platform/ansi_string.h"

class FileStorage;
struct RaceInfoData;

namespace lib::storage {

// Throws a critical FileStorageException "FILE: not written: ..." when a parameter's text holds
// a zero byte (a reader ends the text there) or a line of the run text holds a zero byte or a
// line break (it would read back as other lines).
void refuse_unstorable_texts(const FileStorage& s, const AnsiString& file);

// The same for the typed run fields as an INI run file keeps them: no text field may hold a
// zero byte or a line break.
void refuse_unstorable_run_fields(const RaceInfoData& run, const AnsiString& file);

// The keys joined by ", ", for warnings that list what a writer leaves out.
std::string key_list(const std::vector<AnsiString>& keys);

}  // namespace lib::storage
