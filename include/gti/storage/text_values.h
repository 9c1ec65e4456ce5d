// FileStorageTextValues: the drilling-run information as data files carry it.
//
// Inside a data file the run information is a list of text lines "name=value"; inside the
// program it is the typed fields of a RaceInfo. This class is both: a RaceInfo that owns the text
// list and converts in both directions. Names are looked up without regard to letter case
// (Cyrillic included), the first line of a name counts, and setting a name to the empty value
// deletes its line. Keys and the fields they stand for:
//
//   integers  номер_рейса, шаг_записи_по_времени, нач_время, конеч_время, время_бурения,
//             время_циркуляции, время_спо, время_промывки, время_проработки
//   reals     диаметр_долота, шаг_записи_по_глубине, нач_глубина, конеч_глубина,
//             средняя_нагрузка, плотность, среднее_давление, средний_расход,
//             рейсовая_скорость, диаметр_скважины, толщина_корки, процент_песка, ph, chl,
//             удельное_сопротивление
//   texts     тип_долота, тип_раствора, вязкость, фильтрация, стабильность, липкость,
//             типоразмер_забойного_двиг, мастер, оператор, насос, код_износа_долота,
//             заводской_номер_долота, скважина, площадь, категория_скважины, временной_файл,
//             глубинный_файл, реальн_глубинный_файл
//   способ_бурения   written from the method's number, read into its text
//
// Times are written as the signed 32-bit integer of their bits; reals with up to 15 significant
// digits; a reader takes a point or a comma as the decimal separator.
#pragma once

#include "gti/options/race_info.h"
#include "gti/util/string_list.h"

class FileStorage;

// The run information of a record store, as typed fields and as text lines.
class FileStorageTextValues : public RaceInfo {
public:
    // A new run, an empty text list and no owner.
    FileStorageTextValues() = default;
    FileStorageTextValues(const FileStorageTextValues&) = delete;
    FileStorageTextValues& operator=(const FileStorageTextValues&) = delete;

    // The text without one pair of enclosing double quotes.
    static AnsiString check_inverted_commas(const AnsiString& s);

    // The value of a key, enclosing quotes removed; empty when absent.
    AnsiString get_text(const char* key) const;
    AnsiString get_text(const AnsiString& key) const;
    // Fills `field` from the list, but only when the field is unset: blank, or
    // "::НЕ ЗАДАНО::" in any letter case.
    void get_text(const char* key, AnsiString& field);
    // The name of line `index` and that name's value (enclosing quotes removed). Throws
    // std::out_of_range outside the list.
    void get_text_by_index(int index, AnsiString& name, AnsiString& value);
    // Every line followed by CR LF.
    AnsiString get_full_text();

    // Typed fields to text lines (other lines stay). A field that holds what the last
    // ri_from_data or ri_to_data left in it (a new run's value before either) keeps its line
    // byte for byte when the list has one: only what the program changed is written anew.
    void ri_to_data();
    // Text lines to typed fields; the fields start again from a new run's values.
    void ri_from_data();
    // Reads the run file of the owner's data file (see RaceInfo::get_race_file): its lines into
    // the list and its INI sections into the fields. A run file that cannot be loaded sounds a
    // short beep (1000 Hz, 20 ms) and leaves the list as it was.
    void ri_from_data_old();

    // The text list.
    TStringList& get_list() noexcept { return list_; }
    const TStringList& get_list() const noexcept { return list_; }
    // The store whose file name ri_from_data_old uses.
    void set_owner(FileStorage* owner) noexcept { owner_ = owner; }

private:
    TStringList list_;
    FileStorage* owner_ = nullptr;
    RaceInfoData last_fields_;  // the fields as the list last held them
};
