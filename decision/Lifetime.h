#pragma once
// Decision makers are made by "vex::qdm::new" and released by "vex::qdm::free".
// They are kept here in between, so that a value still referring to one that was
// freed is recognised instead of followed, and one that a script never frees is
// still released when the process ends.

namespace vex {

class QDM;

QDM* createDecisionMaker();
// Releases a live decision maker; anything else is ignored.
void releaseDecisionMaker(QDM* decisionMaker);
bool isLiveDecisionMaker(const QDM* decisionMaker);

}  // namespace vex
