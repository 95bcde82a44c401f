// The fuzz corpora and the fuzz targets' seed scripts (the golden inputs) replayed line by line as the fuzz
// targets feed them, with the cache of split command texts off, on and warm: every byte on either stream, failure
// text and value is the same. Each script runs in a copy of its folder, beside a copy of data/.
#include <gtest/gtest.h>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>
#include "decision/VEXCommands.h"
#include "interp/CommandTextCache.h"
#include "interp/CommandTokenizer.h"
#include "interp/InterpreterHost.h"
#include "interp/VariableTable.h"
#include "qlang/Evaluate.h"
#include "testsupport/StreamCapture.h"

namespace {

namespace fs = std::filesystem;
using tala::interp::CommandTextCache;

const fs::path kSource = fs::path(__FILE__).parent_path().parent_path().parent_path();

enum class Language { Typed, Object };

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = tala::interp::normalizeCommandText(line);
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// What one run prints and answers, line by line, in a fresh copy of the script's folder.
std::string transcript(Language language, const fs::path& script, const fs::path& work) {
    fs::remove_all(work);
    fs::copy(kSource / "data", work, fs::copy_options::recursive);
    fs::copy(script.parent_path(), work, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const fs::path before = fs::current_path();
    fs::current_path(work);
    std::srand(1);
    InputFeed input("");
    OutputCapture out, err(std::cerr);
    std::string all;
    auto each = [&](auto&& run) {
        for (const std::string& line : linesOf(script)) {
            try {
                all += run(line);
            } catch (const std::exception& failure) {
                all += "failed: ";
                all += failure.what();
            }
            all += '|';
            all += out.take();
            all += '|';
            all += err.take();
            all += '\n';
        }
    };
    if (language == Language::Typed) {
        tala::interp::VariableTable table;
        tala::interp::Variable result;
        each([&](const std::string& line) {
            result.release();
            qlang::evaluate(table, line, table.variables, result, false, true);
            return result.typeName;
        });
    } else {
        std::vector<std::unique_ptr<tala::interp::CommandLibrary>> libraries;
        libraries.push_back(std::make_unique<vex::VEXCommands>());
        tala::interp::InterpreterHost host(std::move(libraries));
        each([&](const std::string& line) {
            tala::interp::Object result;
            host.runCommand(line, result);
            return result.holds(tala::interp::ObjectType::String) ? result.getString() : std::string();
        });
    }
    fs::current_path(before);
    return all;
}

std::vector<fs::path> filesIn(const fs::path& folder, const std::string& extension) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && (extension.empty() || entry.path().extension() == extension))
            files.push_back(entry.path());
    return files;
}

TEST(CachedReplay, FuzzCorporaAndSeedScriptsRunAlikeWithAndWithoutTheCache) {
    std::vector<std::pair<Language, fs::path>> scripts;
    for (const auto& file : filesIn(kSource / "tests/fuzz/corpus/typed_evaluator", "")) scripts.emplace_back(Language::Typed, file);
    for (const auto& file : filesIn(kSource / "tests/fuzz/corpus/tokenizer", "")) scripts.emplace_back(Language::Typed, file);
    for (const auto& file : filesIn(kSource / "tests/fuzz/corpus/object_interpreter", "")) scripts.emplace_back(Language::Object, file);
    for (const auto& file : filesIn(kSource / "tests/qlang/golden", ".in")) scripts.emplace_back(Language::Typed, file);
    for (const auto& file : filesIn(kSource / "tests/interp/golden", ".in")) scripts.emplace_back(Language::Object, file);
    for (const char* group : {"commands", "decide", "finalize", "mistakes", "sensors", "unscripted", "values"})
        for (const auto& file : filesIn(kSource / "tests/decision/golden" / group, ".in"))
            scripts.emplace_back(Language::Object, file);
    ASSERT_GT(scripts.size(), 50u);
    const fs::path work = fs::temp_directory_path() / ("cached-replay-" + std::to_string(::getpid()));
    CommandTextCache& cache = CommandTextCache::forThisThread();
    std::size_t hits = 0;
    for (const auto& [language, script] : scripts) {
        cache.setEnabled(false);
        const std::string uncached = transcript(language, script, work);
        cache.setEnabled(true);
        const std::string cold = transcript(language, script, work);
        const std::size_t before = cache.hits();
        EXPECT_EQ(cold, uncached) << script;
        EXPECT_EQ(transcript(language, script, work), uncached) << script << " (warm)";
        hits += cache.hits() - before;
    }
    EXPECT_GT(hits, 1000u);  // the warm runs were served from the cache
    fs::remove_all(work);
}

}  // namespace
