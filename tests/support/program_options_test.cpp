#include "support/ProgramOptions.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>
using namespace support;
namespace {
const std::vector<OptionRow> kOptions = {{"--help"}, {"--seed", true}, {"--strict"}, {"--version", false, true}};
// A command line as read, a word an argument: "name=value", "<operand>", "?unknown", "--" (the end), "!complaint".
std::string read(std::vector<std::string> arguments) {
    std::string seen;
    try {
        for (OptionReader reader(std::move(arguments), kOptions); reader.next();) {
            switch (reader.kind()) {
                case OptionReader::Kind::Option: seen += reader.name() + "=" + reader.value() + " "; break;
                case OptionReader::Kind::Operand: seen += "<" + reader.value() + "> "; break;
                case OptionReader::Kind::Unknown: return seen + "?" + reader.text();
                case OptionReader::Kind::End: seen += "-- "; break;
            }
        }
    } catch (const CommandLineError& error) {
        return seen + "!" + error.what();
    }
    return seen;
}
}  // namespace

TEST(OptionReader, ReadsOptionsAndOperandsInTheirOrder) {
    EXPECT_EQ(read({"a", "--seed", "7", "-", "--strict", "--seed=--x", "b", "-h"}),
              "<a> --seed=7 <-> --strict= --seed=--x <b> --help= ");
    // A value may look like an option; after "--" everything is an operand.
    EXPECT_EQ(read({"--seed", "--strict", "--", "--help", "-x"}), "--seed=--strict -- <--help> <-x> ");
    EXPECT_EQ(read({"--seed="}), "--seed= ");
}

TEST(OptionReader, OnlyWholeNamesAreOptionsAndGetoptSaysNothing) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(read({"a", "--str"}), "<a> ?--str");  // no abbreviations
    for (const char* unknown : {"--s=1", "-hx", "-xh", "-seed", "--bogus=1"})
        EXPECT_EQ(read({unknown}), std::string("?") + unknown);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(OptionReader, AMissingOrUnwantedValueIsNamed) {
    EXPECT_EQ(read({"--strict", "--seed"}), "--strict= !--seed needs a value");
    EXPECT_EQ(read({"--strict=yes"}), "!--strict takes no value");
    EXPECT_EQ(read({"--help=yes"}), "!--help takes no value");
    EXPECT_EQ(read({"--version=2"}), "?--version=2");  // unless the option is no option at all with a value
}
