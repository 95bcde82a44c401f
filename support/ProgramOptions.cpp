#include "support/ProgramOptions.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <iostream>
#include <limits>
#include <utility>

#include "support/ProjectVersion.h"

namespace support {

namespace {

// getopt_long's answer for the long option at index i of the table.
constexpr int kLongOption = 0x100;

const OptionRow* findOption(const std::vector<OptionRow>& options, std::string_view name) {
    const auto found = std::find_if(options.begin(), options.end(), [&](const OptionRow& o) { return o.name == name; });
    return found == options.end() ? nullptr : &*found;
}

}  // namespace

int printHelp(const ProgramInfo& program) {
    std::cout << program.help << std::flush;
    return 0;
}

int printVersion(const ProgramInfo& program) {
    std::cout << program.name << " " << kProjectVersion << "\n" << std::flush;
    return 0;
}

int refuseCommandLine(const ProgramInfo& program, const std::string& complaint) {
    std::cerr << program.name << ": " << complaint << "\n"
              << (program.synopsis.empty() ? program.help : program.synopsis) << std::flush;
    return 2;
}

OptionReader::OptionReader(std::vector<std::string> arguments, std::vector<OptionRow> options)
    : options_(std::move(options)) {
    // getopt_long reads from argv[1]; it is given copies it may reorder.
    arguments_.emplace_back();
    for (std::string& argument : arguments) arguments_.push_back(std::move(argument));
    for (std::string& argument : arguments_) argv_.push_back(argument.data());
    argv_.push_back(nullptr);
    // The scan starts afresh.
    optind = 0;
}

bool OptionReader::next() {
    const int argc = static_cast<int>(arguments_.size());
    name_.clear();
    if (ended_) {
        if (operand_ >= arguments_.size()) return false;
        kind_ = Kind::Operand;
        value_ = text_ = arguments_[operand_++];
        return true;
    }
    std::vector<std::string> names;
    for (const OptionRow& row : options_) names.emplace_back(row.name.substr(2));
    std::vector<option> table;
    for (std::size_t i = 0; i < options_.size(); ++i)
        table.push_back({names[i].c_str(), options_[i].takesValue ? required_argument : no_argument, nullptr,
                         kLongOption + static_cast<int>(i)});
    table.push_back({nullptr, 0, nullptr, 0});
    // "-": operands come back in place, in order; ":": a missing value is told apart,
    // and getopt_long prints nothing (the complaints are ours).
    const int at = std::max(optind, 1);
    const int found = getopt_long(argc, argv_.data(), "-:h", table.data(), nullptr);
    text_ = at < argc ? arguments_[static_cast<std::size_t>(at)] : std::string();
    value_ = optarg != nullptr && found != '?' && found != ':' ? optarg : "";
    kind_ = Kind::Unknown;
    if (found == -1) {
        if (at >= argc || text_ != "--") return false;
        ended_ = true;
        operand_ = static_cast<std::size_t>(at) + 1;
        kind_ = Kind::End;
    } else if (found == 1) {
        kind_ = Kind::Operand;
    } else if (found == 'h') {
        // Only "-h" itself: not "-hx", nor the h of "-xh".
        if (text_ == "-h") kind_ = Kind::Option, name_ = "--help";
    } else if (found >= kLongOption) {
        // Written out in full: getopt_long would take an abbreviation too.
        const OptionRow& row = options_[static_cast<std::size_t>(found - kLongOption)];
        const std::string full(row.name);
        if (text_ == full || (row.takesValue && text_.rfind(full + "=", 0) == 0)) kind_ = Kind::Option, name_ = full;
    } else if (const OptionRow* row = findOption(options_, text_.substr(0, text_.find('=')))) {
        // A missing value, or a value given to an option that takes none.
        if (found == ':' && text_ == row->name) throw CommandLineError(text_ + " needs a value");
        if (found == '?' && !row->takesValue && text_.find('=') != std::string::npos && !row->valueMakesItUnknown)
            throw CommandLineError(std::string(row->name) + " takes no value");
    }
    return true;
}

std::optional<int> readCommandLine(int argc, char** argv, const ProgramInfo& program, const std::vector<OptionRow>& own,
                                   const ReadOption& read, std::vector<std::string>& operands) {
    std::vector<OptionRow> options = {{"--help", false, true}, {"--version", false, true}};
    if (program.reference != nullptr) options.push_back({"--reference", false, true});
    options.insert(options.end(), own.begin(), own.end());
    try {
        OptionReader reader(std::vector<std::string>(argv + std::min(argc, 1), argv + argc), options);
        while (reader.next()) {
            const std::string& name = reader.name();
            if (reader.kind() == OptionReader::Kind::Operand) operands.push_back(reader.value());
            else if (reader.kind() == OptionReader::Kind::Unknown)
                throw CommandLineError("unknown option '" + reader.text() + "'");
            else if (name == "--help") return printHelp(program);
            else if (name == "--version") return printVersion(program);
            else if (name == "--reference") return printHelp({program.name, program.reference()});
            else if (reader.kind() == OptionReader::Kind::Option) read(name, reader.value());
        }
    } catch (const CommandLineError& error) {
        return refuseCommandLine(program, error.what());
    }
    return std::nullopt;
}

unsigned readSeed(const std::string& option, const std::string& text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw CommandLineError(option + " needs a whole number from 0 to " +
                               std::to_string(std::numeric_limits<unsigned>::max()) + ", not '" + text + "'");
    return value;
}

}  // namespace support
