#include "files/saveplan.h"

SavePlan::Rules SavePlan::rules(const RulesFile::Contents &wanted, const RulesFile::Snapshot &seen, const RulesFile::Snapshot &now,
                                bool linked)
{
    // What cannot be read may hold what a teacher wrote, and cannot be taken
    // into the window either.
    if (now.unreadable)
        return wanted == seen.contents ? Rules::Leave : Rules::Unreadable;
    if (now.fingerprint != seen.fingerprint)
        return Rules::Changed;
    if (wanted == now.contents)
        return Rules::Leave;
    if (!wanted.isEmpty())
        return Rules::Write;
    return linked ? Rules::Empty : Rules::Remove;
}
