#include "tests/support/hostilescript.h"

#include <memory>

void HostileScript::apply(ScriptedInstrument &instrument, bool pty) const
{
    using Chunk = ScriptedInstrument::Chunk;
    using Reply = ScriptedInstrument::Reply;
    const HostileScript s = *this;
    auto seen = std::make_shared<int>(0);
    ScriptedInstrument *target = &instrument;
    instrument.setResponder([s, pty, seen, target](const QByteArray &request) -> Reply {
        ++*seen;
        if (s.mode == Flood) {
            if (!target->isFlooding() && !request.isEmpty()) {
                // Address, function, a count of 255, then filler: the start
                // of a counted reply that never ends.
                QByteArray piece(qMax(4, s.floodPieceBytes), '\x55');
                piece[0] = request.at(0);
                piece[1] = '\x03';
                piece[2] = char(0xFF);
                target->startFlood(piece, 100000000, s.floodMs, 16);
            }
            return Reply();
        }
        if (s.mode == HangUp && pty && *seen > s.hangUpAfter)
            return Reply{Chunk{QByteArray(), 0, false, true}};
        const QByteArray answer = ScriptedInstrument::itemAnswer(request, s.itemCount);
        if (answer.isEmpty())
            return Reply();
        switch (s.mode) {
        case Duplicate:
            // Without a gap a serial line gets both copies in one write, as
            // a UART would deliver them back to back.
            if (pty && s.duplicateGapMs <= 0)
                return Reply{Chunk{answer + answer}};
            return Reply{Chunk{answer}, Chunk{answer, qBound(0, s.duplicateGapMs, 1000)}};
        case ForeignFirst:
            if (pty)
                return Reply{Chunk{answer}};
            return Reply{Chunk{ScriptedInstrument::countedReply(quint8(answer.at(0)), "foreign:decoy"), 0, true},
                         Chunk{answer, s.foreignLeadMs}};
        case Trickle: {
            Reply reply;
            for (int i = 0; i < answer.size(); ++i)
                reply.append(Chunk{answer.mid(i, 1), i == 0 ? 0 : s.trickleMs});
            return reply;
        }
        default:
            return Reply{Chunk{answer}};
        }
    });
}
