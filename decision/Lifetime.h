#pragma once
// Decision makers are made by "vex::qdm::new" and released by "vex::qdm::free".
// They are kept here in between, so that a value still referring to one that was
// freed is recognised instead of followed, and one that a script never frees is
// still released when the process ends.
//
// A value refers to its decision maker by address and generation: every decision
// maker made gets a new generation number, so a reference to a freed one never
// matches a later one that happens to reuse its address.

#include <cstddef>
#include <cstdint>

namespace vex {

class QDM;

class DecisionMakerRef {
public:
    DecisionMakerRef() = default;
    DecisionMakerRef(std::nullptr_t) {}
    DecisionMakerRef(QDM* decisionMaker, std::uint64_t generation)
        : decisionMaker_(decisionMaker), generation_(generation) {}

    // The decision maker while it is alive; null when there is none or it was freed.
    QDM* get() const;
    operator QDM*() const { return get(); }
    QDM& operator*() const { return *get(); }
    QDM* operator->() const { return get(); }

    // The address and generation as made, whether or not still alive.
    QDM* address() const { return decisionMaker_; }
    std::uint64_t generation() const { return generation_; }

private:
    QDM* decisionMaker_ = nullptr;
    std::uint64_t generation_ = 0;
};

DecisionMakerRef createDecisionMaker();
// Releases a live decision maker; a reference to anything else is ignored.
void releaseDecisionMaker(DecisionMakerRef decisionMaker);
bool isLiveDecisionMaker(DecisionMakerRef decisionMaker);
// Releases every live decision maker, newest first (a host that runs many scripts
// in one process, one after another).
void releaseAllDecisionMakers();

}  // namespace vex
