#include "decision/TopsForms.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

namespace vex {

namespace {

struct Remembered {
    std::uint64_t digest = 0;
    std::weak_ptr<const linalg::CompressedMatrix> form;
};

struct Forms {
    std::mutex lock;
    std::vector<Remembered> remembered;  // the last asked for at the end
};

// Never destroyed: a decision maker may still ask while the program's statics go.
Forms& forms() {
    static Forms* const all = new Forms;
    return *all;
}

// The shape and the bits of every entry.
std::uint64_t digestOf(const linalg::Matrix& m) {
    std::uint64_t digest = (std::uint64_t(std::uint32_t(m.rows())) << 32) | std::uint32_t(m.cols());
    digest *= 0x9E3779B97F4A7C15u;
    const linalg::Complex* entries = m.data();
    for (int n = 0, count = m.entryCount(); n < count; ++n) {
        std::uint64_t parts[2];
        std::memcpy(parts, &entries[n], sizeof parts);
        digest = (digest ^ parts[0]) * 0x9E3779B97F4A7C15u;
        digest = (digest ^ parts[1]) * 0x9E3779B97F4A7C15u;
        digest ^= digest >> 29;
    }
    return digest;
}

}  // namespace

std::shared_ptr<const linalg::CompressedMatrix> sharedCompressedForm(const linalg::Matrix& tops,
                                                                     int sparseShare) {
    if (!tops.hasStorage()) return nullptr;
    const std::int64_t entries = std::int64_t{tops.rows()} * tops.cols();
    if (std::int64_t{linalg::CompressedMatrix::nonZeroCountOf(tops)} * sparseShare > entries) return nullptr;
    const std::uint64_t digest = digestOf(tops);

    Forms& all = forms();
    const std::lock_guard<std::mutex> held(all.lock);
    std::vector<Remembered>& remembered = all.remembered;
    std::erase_if(remembered, [](const Remembered& each) { return each.form.expired(); });
    for (auto it = remembered.begin(); it != remembered.end(); ++it) {
        if (it->digest != digest) continue;
        std::shared_ptr<const linalg::CompressedMatrix> form = it->form.lock();
        if (form == nullptr || !form->madeFrom(tops)) continue;
        std::rotate(it, it + 1, remembered.end());
        return form;
    }
    auto form = std::make_shared<const linalg::CompressedMatrix>(tops);
    // A matrix with a -0 among its zeros is not told by its form alone: it keeps its own.
    if (form->madeFrom(tops)) {
        if (remembered.size() >= kMaxSharedForms) remembered.erase(remembered.begin());
        remembered.push_back({digest, form});
    }
    return form;
}

std::size_t sharedFormsRemembered() {
    Forms& all = forms();
    const std::lock_guard<std::mutex> held(all.lock);
    return static_cast<std::size_t>(std::count_if(all.remembered.begin(), all.remembered.end(),
                                                  [](const Remembered& each) { return !each.form.expired(); }));
}

}  // namespace vex
