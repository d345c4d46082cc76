#pragma once

#include "files/rulesfile.h"

// What a Save does with rules.txt, decided before anything is written from
// the window's rules, the rules.txt the window last saw (read at start-up,
// or written or left by its last Save) and the rules.txt there is now.
// Option and default.txt are always written.
//
// rules.txt is never written over or removed when its bytes are no longer
// those the window saw: another program (an editor) changed it, and the
// window decides what becomes of that (Changed). Nor when it cannot be read
// and the window's rules would replace what it holds (Unreadable). A class
// that never had rules never gets a rules.txt.
class SavePlan
{
public:
    enum class Rules {
        Leave,      // it already says what the window's rules say, or it cannot be read and the window changed nothing
        Write,      // written with the window's rules
        Empty,      // no rules left and rules.txt is a link: emptied, so that the link and where it leads stay
        Remove,     // no rules left: removed
        Changed,    // another program changed it since: nothing is saved
        Unreadable, // it cannot be read, and the window's rules would replace it: nothing is saved
    };

    static Rules rules(const RulesFile::Contents &wanted, const RulesFile::Snapshot &seen, const RulesFile::Snapshot &now, bool linked);
};
