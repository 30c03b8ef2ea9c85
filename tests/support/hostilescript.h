#pragma once

#include "tests/support/scriptedinstrument.h"

// Scripts a ScriptedInstrument as an instrument we do not control. It
// serves the item list "Item0:0", "Item1:1", … (itemCount items, then the
// empty item) and echoes text writes as "Item<n>:<value>", misbehaving in
// one way:
//  - Flood: from the first request on, sends pieces that start with the
//    device address and never complete a frame, for floodMs;
//  - Duplicate: sends every reply twice (duplicateGapMs apart);
//  - ForeignFirst: UDP only; a datagram from a second port foreignLeadMs
//    before every reply;
//  - Trickle: every reply one byte per trickleMs;
//  - HangUp: pty only; answers hangUpAfter requests, then closes the line
//    on the next one.
struct HostileScript {
    enum Mode { Normal, Flood, Duplicate, ForeignFirst, Trickle, HangUp };

    Mode mode = Normal;
    int itemCount = 5;
    int floodPieceBytes = 1400;
    int floodMs = 20000;
    int trickleMs = 100;
    int foreignLeadMs = 50;
    int hangUpAfter = 2;
    int duplicateGapMs = 0;

    // Installs the script as the instrument's responder; `pty` tells how
    // the instrument was started.
    void apply(ScriptedInstrument &instrument, bool pty) const;
};
