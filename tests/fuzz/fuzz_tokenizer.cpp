// The tokenizer with the normaliser, on any text. Checked beyond "no crash": the positions kept by one scan give the
// same tokens as rescanning from the start, and a normalised text has the form normalisation promises.
#include <string>
#include <string_view>
#include "interp/CommandTokenizer.h"
#include "tests/fuzz/FuzzSupport.h"
#include "testsupport/RescanningTokenizer.h"

namespace {

using fuzz::require;
using tala::interp::CommandTokenizer;

void checkTokens(CommandTokenizer tokenizer, const rescanning::Rules& rules, const std::string& text) {
    tokenizer.setText(text);
    const auto all = tokenizer.tokens();
    require(tokenizer.count() >= 1 && all.size() == static_cast<std::size_t>(tokenizer.count()));
    // Rescanning costs the square of the text: long texts are checked at a sample of tokens.
    const int step = text.size() <= 1024 ? 1 : tokenizer.count() / 32 + 1;
    for (int n = 0; n < tokenizer.count(); ++n) {
        const std::string token = tokenizer.token(n);
        if (n % step == 0) require(token == rescanning::token(tokenizer, rules, n));
        require(token == all[static_cast<std::size_t>(n)]);
    }
    require(tokenizer.token(tokenizer.count()).empty());
}

// No leading or trailing blank, no double blank, no blank right after "(" but the one put before a "(" that follows
// it, and before every "(" that is not at the start a blank or another "(" (when blanks between the two were
// dropped), perhaps followed by tabs: "( \t(" becomes "(\t(". Tabs alone before it count as the start.
void checkNormalForm(const std::string& text) {
    if (text.empty()) return;
    require(text.front() != ' ' && text.back() != ' ');
    for (std::size_t i = 1; i < text.size(); ++i) {
        require(text[i] != ' ' || (text[i - 1] != ' ' && (text[i - 1] != '(' || text[i + 1] == '(')));
        if (text[i] != '(') continue;
        std::size_t before = i - 1;
        while (before > 0 && text[before] == '\t') --before;
        require(text[before] == ' ' || text[before] == '(' || (before == 0 && text[0] == '\t'));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string normal = tala::interp::normalizeCommandText(text);
    checkNormalForm(normal);
    checkTokens(CommandTokenizer::forScripts(), rescanning::kScripts, text);
    checkTokens(CommandTokenizer::forScripts(), rescanning::kScripts, normal);
    checkTokens(CommandTokenizer::forShellCommands(), rescanning::kShellCommands, text);
    return 0;
}
