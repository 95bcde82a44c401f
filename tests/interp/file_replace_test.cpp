#include "interp/FileReplace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "linalg/Failure.h"
#include "tests/support/StreamCapture.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using tala::interp::replaceFile;

namespace {

using FileReplace = TempFolder;

TEST_F(FileReplace, WritesANewFileAndReplacesAnEarlierOneWhole) {
    replaceFile(path("a.bin"), std::string("one\0two", 7));
    EXPECT_EQ(fileText(path("a.bin")), std::string("one\0two", 7));
    replaceFile(path("a.bin"), "x");
    EXPECT_EQ(fileText(path("a.bin")), "x");
    EXPECT_EQ(listing(), "a.bin;");
}

TEST_F(FileReplace, AFailureNamesItsReasonLeavesTheEarlierFileAndNoTemporary) {
    EXPECT_EQ(failureOf([&] { replaceFile(path("missing/a.bin"), "x"); }), "No such file or directory");
    // A target that cannot be replaced: a folder of that name with a file in it.
    fs::create_directories(folder_ / "taken");
    std::ofstream(path("taken/keep.txt")) << "kept";
    EXPECT_THROW(replaceFile(path("taken"), "x"), tala::Failure);
    EXPECT_EQ(fileText(path("taken/keep.txt")), "kept");
    EXPECT_EQ(listing(), "taken;");
    // A name with a NUL byte is refused before anything is opened.
    EXPECT_THROW(replaceFile(path(std::string("a\0b", 3)), "x"), tala::Failure);
    EXPECT_EQ(listing(), "taken;");
}

}  // namespace
