#include "cli.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/file_replacement.h"
#include "output.h"

using namespace lib::literals;

namespace gti_tool {
namespace {

run_options the_run;
command_runner chosen_command;

// The exit codes as --help lists them.
std::string exit_codes_text() {
    return help_text(
        "Exit codes:\n"
        "  0  done\n"
        "  1  usage or user error (bad arguments, a missing or unreadable input, a refused output)\n"
        "  2  an input was damaged and read in part (its warnings are printed)\n"
        "  3  nothing written: the output could not be written\n",
        "Коды выхода:\n"_cp
        "  0  сделано\n"_cp
        "  1  ошибка в вызове или у пользователя (неверные аргументы, нет или не читается входной файл, отказ записать "_cp
        "результат)\n"_cp
        "  2  входной файл повреждён и прочитан частично (предупреждения выведены)\n"_cp
        "  3  ничего не записано: результат невозможно записать\n"_cp);
}

bool stderr_is_terminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    if (ec) return false;
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

// The characters of UTF-8 text, as the terminal's columns.
std::size_t columns(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The edit distance of two short words, for suggestions.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The nearest of `known` to `word`, or empty when none is near.
std::string nearest(const std::string& word, const std::vector<std::string>& known) {
    std::string best;
    std::size_t best_distance = std::max<std::size_t>(3, word.size() / 3) + 1;
    for (const std::string& k : known) {
        const std::size_t d = k.starts_with(word) ? 1 : distance(word, k);
        if (d < best_distance) {
            best = k;
            best_distance = d;
        }
    }
    return best;
}

// The innermost command given on the command line.
const CLI::App* selected(const CLI::App& tool) {
    const CLI::App* app = &tool;
    for (auto subs = app->get_subcommands(); !subs.empty(); subs = app->get_subcommands())
        app = subs.front();
    return app;
}

std::string command_path(const CLI::App* app) {
    std::string path;
    for (; app != nullptr; app = app->get_parent())
        path = app->get_name() + (path.empty() ? "" : " " + path);
    return path;
}

std::vector<std::string> option_names(const CLI::App* app) {
    std::vector<std::string> names;
    for (; app != nullptr; app = app->get_parent())
        for (const CLI::Option* o : app->get_options()) {
            for (const std::string& n : o->get_lnames())
                names.push_back("--" + n);
            for (const std::string& n : o->get_snames())
                names.push_back("-" + n);
        }
    return names;
}

std::vector<std::string> command_names(const CLI::App* app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app->get_subcommands({}))
        names.push_back(sub->get_name());
    return names;
}

std::string joined(const std::vector<std::string>& words, const std::string& separator = " ") {
    std::string out;
    for (const std::string& w : words)
        out += (out.empty() ? "" : separator) + w;
    return out;
}

// The option of `app`, or of a command above it, that the parser's messages call `name`.
const CLI::Option* option_named(const CLI::App* app, const std::string& name) {
    for (; app != nullptr; app = app->get_parent())
        for (const CLI::Option* o : app->get_options())
            if (o->get_name() == name) return o;
    return nullptr;
}

// The text between `start` and `end` in `what` (from its beginning when `start` is empty, to
// its end when `end` is); empty when `start` is not there.
std::string between(const std::string& what, const std::string& start, const std::string& end) {
    const std::size_t from = start.empty() ? 0 : what.find(start);
    if (from == std::string::npos) return {};
    const std::size_t at = from + start.size();
    const std::size_t to = end.empty() ? std::string::npos : what.find(end, at);
    return what.substr(at, to == std::string::npos ? std::string::npos : to - at);
}

// A value the parser refused: the option, the value given and what the option takes.
std::string bad_value(const CLI::App* app, const std::string& name) {
    const CLI::Option* o = option_named(app, name);
    std::string given;
    if (o != nullptr)
        for (const std::string& r : o->results())
            given += (given.empty() ? "" : " ") + r;
    std::string text = name + ": " + help_text("not a valid value", "недопустимое значение"_cp);
    if (!given.empty()) text += " '" + given + "'";
    if (o != nullptr && !o->get_description().empty()) text += " (" + o->get_description() + ")";
    return text;
}

// The reason of a parse error in the words of the run; the parser's own text where it has no
// words of ours.
std::string reason(const CLI::App* app, const CLI::ParseError& e) {
    const std::string what = e.what();
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
        if (what.starts_with("A subcommand"))
            return help_text("a command is required: ", "нужна команда: "_cp) + joined(command_names(app), ", ");
        const std::string name = between(what, "", " is required");
        const CLI::Option* o = option_named(app, name);
        if (o == nullptr) return help_text("", "ошибка в вызове: "_cp) + what;
        const std::string text =
            o->get_positional()
                ? help_text("the argument ", "нужен аргумент "_cp) + name + help_text(" is required", "")
                : help_text("the option ", "нужен ключ "_cp) + name + help_text(" is required", "");
        return text + (o->get_description().empty() ? "" : ": " + o->get_description());
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) {
        if (what.ends_with(" missing"))
            return help_text("the option ", "ключу "_cp) + between(what, "", ":") +
                   help_text(" needs a value", " нужно значение"_cp);
        const std::string name =
            what.starts_with("Expected ") ? between(what, " to ", ", got") : between(what, "", ":");
        return name + ": " + help_text("a wrong number of values", "неверное число значений"_cp);
    }
    if (dynamic_cast<const CLI::ConversionError*>(&e) != nullptr) {
        if (what.starts_with("Could not convert: ")) return bad_value(app, between(what, ": ", " = "));
        if (what.starts_with("The value ")) return bad_value(app, between(what, " allowed value for ", ""));
        return bad_value(app, between(what, "", ":"));
    }
    if (dynamic_cast<const CLI::ValidationError*>(&e) != nullptr) return bad_value(app, between(what, "", ":"));
    if (dynamic_cast<const CLI::ExcludesError*>(&e) != nullptr)
        return between(what, "", " excludes ") + help_text(" and ", " и "_cp) + between(what, " excludes ", "") +
               help_text(" do not go together", " не задаются вместе"_cp);
    if (dynamic_cast<const CLI::RequiresError*>(&e) != nullptr)
        return between(what, "", " requires ") + help_text(" is given only with ", " задаётся только вместе с "_cp) +
               between(what, " requires ", "");
    return help_text("", "ошибка в вызове: "_cp) + what;
}

// The reason of a usage error, and what was probably meant.
std::string usage_message(const CLI::App& tool, const CLI::ParseError& e) {
    const CLI::App* app = selected(tool);
    const std::string where = command_path(app);
    std::string text = where + ": " + reason(app, e);
    std::vector<std::string> unexpected;
    for (const std::string& extra : tool.remaining(true)) {
        const bool option = extra.starts_with("-");
        if (!option && app->get_subcommands({}).empty()) {
            unexpected.push_back(extra);
            continue;
        }
        const std::string word = option ? extra.substr(0, extra.find('=')) : extra;
        text = where + ": " +
               u8(option ? tr("unknown option ", "неизвестный ключ "_cp)
                         : tr("unknown command ", "неизвестная команда "_cp)) +
               word;
        const std::string guess = nearest(word, option ? option_names(app) : command_names(app));
        if (!guess.empty()) text += u8(tr("; did you mean ", "; может быть, "_cp)) + guess + "?";
        unexpected.clear();
        break;
    }
    if (!unexpected.empty() && dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr)
        text = where + ": " +
               (unexpected.size() == 1 ? help_text("an argument too many: ", "лишний аргумент: "_cp)
                                       : help_text("arguments too many: ", "лишние аргументы: "_cp)) +
               joined(unexpected);
    return text + "\n" + u8(tr("(see ", "(см. "_cp)) + where + " --help)";
}

// Text for roff: backslashes doubled, and no line starts with a control character.
std::string roff(const std::string& text) {
    std::string out;
    bool line_start = true;
    for (char c : text) {
        if (line_start && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        line_start = c == '\n';
    }
    return out;
}

void all_commands(const CLI::App* app, std::vector<const CLI::App*>& out) {
    for (const CLI::App* sub : app->get_subcommands({})) {
        out.push_back(sub);
        all_commands(sub, out);
    }
}

}  // namespace

void write_output(const lib::os::file_path& file, const std::function<void()>& write) {
    try {
        write();
    } catch (const write_failed&) {
        throw;
    } catch (const std::exception& e) {
        const std::string what = e.what();
        const std::string& name = file.display().str();
        throw write_failed(what.starts_with(name + ":") ? what : name + ": " + what);
    }
}

void replace_file(const lib::os::file_path& name, std::string_view bytes) {
    try {
        lib::os::file_replacement out(name);
        if (!lib::os::write_file(out.handle(), bytes.data(), bytes.size()))
            throw std::runtime_error("Невозможно записать в файл!"_cp);
        out.commit();
    } catch (const std::exception& e) {
        throw std::runtime_error((name.display() + ": " + e.what()).str());
    }
}

void make_folder(const lib::os::file_path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir.path(), ec);
    if (ec)
        throw write_failed(
            (dir.display() + tr(": cannot create the folder: ", ": невозможно создать папку: "_cp)).str() +
            ec.message());
}

void check_output(const lib::os::file_path& output, const std::vector<lib::os::file_path>& inputs,
                  const std::vector<const char*>& kind_extensions, bool force) {
    const std::filesystem::path out = output.path();
    for (const lib::os::file_path& in : inputs)
        if (same_file(out, in.path()))
            throw std::runtime_error(
                (output.display() + tr(": is an input of this command; write the output to another file",
                                       ": это входной файл команды; выберите для результата другой файл"_cp))
                    .str());
    std::error_code ec;
    if (out.has_parent_path() && !std::filesystem::is_directory(out.parent_path(), ec))
        throw write_failed((output.display() + tr(": its folder does not exist", ": папки для него нет"_cp)).str());
    if (force || kind_extensions.empty() || !std::filesystem::exists(out, ec)) return;
    const std::string lower = lib::cp1251::to_lower(output.display().view());
    for (const char* ext : kind_extensions)
        if (lower.ends_with(ext)) return;
    throw std::runtime_error((output.display() + tr(": an existing file of another kind; --force writes over it",
                                                    ": существующий файл другого вида; --force запишет поверх него"_cp))
                                 .str());
}

std::string help_text(const char* en, const char* ru) {
    return u8(tr(en, ru));
}

void set_words(CLI::App* app) {
    app->option_defaults()->group(help_text("Options", "Ключи"_cp));
    app->set_help_flag("-h,--help", help_text("this help", "эта справка"_cp));
    app->footer(exit_codes_text());
}

const run_options& run() {
    return the_run;
}

progress_bar::progress_bar(const AnsiString& label, bool shown)
    : label_(u8(label)), shown_(shown && !the_run.quiet && stderr_is_terminal()) {}

progress_bar::~progress_bar() {
    if (drawn_ >= 0) std::fputc('\n', stderr);
}

void progress_bar::operator()(double fraction) {
    if (!shown_) return;
    constexpr int width = 40;
    const int percent = std::clamp(static_cast<int>(fraction * 100), 0, 100);
    if (percent == drawn_) return;
    drawn_ = percent;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", label_.c_str(),
                 std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), '.').c_str(), percent);
    std::fflush(stderr);
}

CLI::App* add_command(CLI::App& tool, const std::string& name, const std::string& description, command_runner run) {
    CLI::App* command = tool.add_subcommand(name, description);
    command->fallthrough();
    set_words(command);
    command->group(help_text("Commands", "Команды"_cp));
    if (run) command->callback([run = std::move(run)] { chosen_command = run; });
    return command;
}

void add_details(CLI::App* command, const std::string& text) {
    // Words wrapped to 100 columns, paragraphs kept.
    std::string wrapped, line;
    for (std::size_t i = 0; i <= text.size();) {
        const std::size_t end = std::min(text.find_first_of(" \n", i), text.size());
        const std::string word = text.substr(i, end - i);
        if (!line.empty() && columns(line) + 1 + columns(word) > 100) {
            wrapped += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        if (end == text.size() || text[end] == '\n') {
            wrapped += line + "\n";
            line.clear();
        }
        i = end + 1;
    }
    command->footer(wrapped + "\n" + exit_codes_text());
}

void add_json(CLI::App* command, bool& json) {
    command->add_flag("--json", json,
                      help_text("print one JSON document (UTF-8) instead of text for people",
                                "вывести один документ JSON (UTF-8) вместо текста для людей"_cp));
}

void add_force(CLI::App* command, bool& force) {
    command->add_flag("--force", force,
                      help_text("write over an existing file of another kind",
                                "записать поверх существующего файла другого вида"_cp));
}

void add_params(CLI::App* command, std::string& params, const std::string& description) {
    command
        ->add_option("--params", params,
                     description.empty()
                         ? help_text("these parameters only, by key", "только эти параметры, по ключам"_cp)
                         : description)
        ->type_name("KEY,...");
}

void add_range(CLI::App* command, std::string& from, std::string& to) {
    command
        ->add_option("--from", from,
                     help_text("start: a time (YYYY-MM-DDTHH:MM[:SS], or HH:MM on the first day) or a depth (m)",
                               "начало: время (ГГГГ-ММ-ДДTЧЧ:ММ[:СС] или ЧЧ:ММ первого дня) или глубина (м)"_cp))
        ->type_name("WHEN");
    command->add_option("--to", to, help_text("end, as --from", "конец, как в --from"_cp))->type_name("WHEN");
}

AnsiString station(const std::string& argument) {
    std::string text;
    if (lib::cp1251::from_utf8(argument, text)) return AnsiString(std::move(text));
    // The argument in the message: each character that 1251 lacks as '?'.
    std::string shown, one;
    for (std::size_t i = 0; i < argument.size();) {
        std::size_t end = i + 1;
        while (end < argument.size() && (static_cast<unsigned char>(argument[end]) & 0xC0) == 0x80)
            ++end;
        shown += lib::cp1251::from_utf8(argument.substr(i, end - i), one) ? one : "?";
        i = end;
    }
    throw std::runtime_error("'" + shown +
                             tr("': station text (code page 1251) cannot hold the characters shown as '?'",
                                "': в тексте станции (кодовая страница 1251) нет знаков, показанных как '?'"_cp)
                                 .str());
}

lib::os::file_path file_argument(const std::string& argument) {
    return known_name(lib::os::file_path::from_native(argument));
}

AnsiString station_name(const lib::os::file_path& file, bool name_only) {
    const lib::os::file_path checked = name_only ? lib::os::file_path(file.path().filename()) : file;
    if (checked.is_station_text()) return checked.display();
    // display() marks each character 1251 lacks as "<U+XXXX>" (a byte that is no UTF-8 "<0xNN>").
    const std::string& shown = checked.display().str();
    std::string lacking;
    for (std::size_t at = shown.find('<'); at != std::string::npos; at = shown.find('<', at + 1)) {
        const std::size_t end = shown.find('>', at);
        if (end == std::string::npos) break;
        const std::string mark = shown.substr(at + 1, end - at - 1);
        if ((mark.starts_with("U+") || mark.starts_with("0x")) && lacking.find(mark) == std::string::npos)
            lacking += " " + mark;
    }
    throw std::runtime_error((file.display() +
                              tr(": the name must be station text (code page 1251), which lacks",
                                 ": имя должно быть текстом станции (кодовая страница 1251), а в ней нет"_cp) +
                              AnsiString(lacking))
                                 .str());
}

std::vector<AnsiString> split_keys(const std::string& list) {
    std::vector<AnsiString> keys;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) keys.push_back(station(list.substr(start, comma - start)));
        start = comma + 1;
    }
    return keys;
}

int run_tool(int argc, char** argv) {
    const std::unique_ptr<CLI::App> tool = make_tool();
    tool->add_flag("--quiet,-q", the_run.quiet,
                   help_text("no progress bars and no report of what was written",
                             "без индикатора хода и без отчёта о записанном"_cp));
    try {
        tool->parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return tool->exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return tool->exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s\n", usage_message(*tool, e).c_str());
        return exit_usage;
    }
    if (!chosen_command) {
        std::fputs(tool->help().c_str(), stderr);
        return exit_usage;
    }
    try {
        return chosen_command();
    } catch (const write_failed& e) {
        std::fprintf(stderr, "gti: %s\n", u8(e.what()).c_str());
        return exit_not_written;
    } catch (const std::exception& e) {
        // Messages of the library and of the tool are station text.
        std::fprintf(stderr, "gti: %s\n", u8(e.what()).c_str());
        return exit_usage;
    }
}

std::string man_page(const CLI::App& tool) {
    std::string page = ".TH GTI 1 \"\" gtikit \"User Commands\"\n.SH NAME\ngti \\- " + roff(tool.get_description()) +
                       "\n.SH SYNOPSIS\n.B gti\n[\\-\\-quiet] COMMAND [OPTIONS] [ARGUMENTS]\n"
                       ".SH DESCRIPTION\n.nf\n" +
                       roff(tool.help()) + ".fi\n.SH COMMANDS\n";
    std::vector<const CLI::App*> commands;
    all_commands(&tool, commands);
    for (const CLI::App* c : commands) {
        page += ".SS \"" + roff(command_path(c)) + "\"\n.nf\n" + roff(c->help()) + ".fi\n";
    }
    page += ".SH EXIT STATUS\n.nf\n" + roff(exit_codes_text()) +
            ".fi\n.SH ENVIRONMENT\n.TP\n.B LC_ALL, LC_MESSAGES, LANG\n"
            "the first one set chooses the language of the tool's own words: Russian when it "
            "starts with \"ru\", English otherwise\n.TP\n.B GTI_COM1 ...\nthe device of a serial port named COM1 ...\n";
    return page;
}

std::string bash_completion(const CLI::App& tool) {
    std::vector<const CLI::App*> commands;
    all_commands(&tool, commands);
    std::string cases;
    for (const CLI::App* c : commands) {
        std::string path = command_path(c);
        path = path.substr(path.find(' ') + 1);
        std::vector<std::string> words = option_names(c);
        words.push_back("--help");
        cases += "    \"" + path + "\") subs=\"" + joined(command_names(c)) + "\"; opts=\"" + joined(words) + "\" ;;\n";
    }
    return "# bash completion for gti, made by gti completion bash\n"
           "_gti() {\n"
           "  local cur=${COMP_WORDS[COMP_CWORD]} path=\"\" subs opts i\n"
           "  subs=\"" +
           joined(command_names(&tool)) +
           "\"; opts=\"--quiet --help\"\n"
           "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "    case \" $subs \" in *\" ${COMP_WORDS[i]} \"*)\n"
           "      path=\"${path:+$path }${COMP_WORDS[i]}\"\n"
           "      case \"$path\" in\n" +
           cases +
           "      esac ;;\n"
           "    esac\n"
           "  done\n"
           "  if [[ $cur == -* ]]; then\n"
           "    COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
           "  elif [[ -n $subs ]]; then\n"
           "    COMPREPLY=($(compgen -W \"$subs\" -- \"$cur\"))\n"
           "  else\n"
           "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           "  fi\n"
           "}\n"
           "complete -o filenames -o bashdefault -F _gti gti\n";
}

}  // namespace gti_tool
