#include "movegen/threats.h"


#include "movegen/generators.h"

namespace {

// A proven result one ply further from the root.
int32_t extend(int32_t s) { return s > 0 ? s + 1 : s < 0 ? s - 1 : 0; }

template <uint32_t P>
int32_t threatSearchAs(Position& pos);

// The side to move P plays the cell; the result is the opponent's.
template <uint32_t P>
int32_t play(Position& pos, uint32_t cell) {
    const MoveWord m = P | cell;
    makeMove(pos, m);
    const int32_t result = threatSearchAs<P ^ COLOUR_MASK>(pos);
    unmakeMove(pos, m);
    return result;
}

bool onBoard(const Position& pos, uint32_t cell) { return xOf(cell) < pos.boardSize && yOf(cell) < pos.boardSize; }

// Whether the list holds a word at the cell with which its owner makes a
// four or five there (level 0, 1 or 2).
bool hasFourOrFiveAt(const Position& pos, const ThreatList& list, uint32_t cell, bool mustBeFree) {
    for (uint32_t i = 0; i < list.count; ++i) {
        const ThreatWord w = list.words[i];
        if (threatCell(w) != cell || threatLevel(w) > LEVEL_FOUR) continue;
        if (mustBeFree && isForbiddenCell(pos, cell)) continue;
        return true;
    }
    return false;
}

template <uint32_t P>
int32_t threatSearchAs(Position& pos) {
    constexpr uint32_t Q = P ^ COLOUR_MASK;
    const StateRecord& r = *pos.current;
    const uint16_t* own = P == COLOUR_X ? r.classCountX : r.classCountO;
    const uint16_t* opp = P == COLOUR_X ? r.classCountO : r.classCountX;
    const ThreatList& ownList = P == COLOUR_X ? r.threatsX : r.threatsO;
    const ThreatList& oppList = P == COLOUR_X ? r.threatsO : r.threatsX;
    const bool ownFour = P == COLOUR_X ? r.hasFourX : r.hasFourO;
    const bool oppFour = P == COLOUR_X ? r.hasFourO : r.hasFourX;
    // Here black is only a colour that is known to be black.
    const bool moverIsBlack = pos.blackColour == P;

    if (own[CLASS_FIVE_STANDS]) return 1;
    if (opp[CLASS_FIVE_STANDS]) return -1;
    if (own[CLASS_FIVE]) return 1;
    if (opp[CLASS_FIVE] >= 2) return -2;
    if (opp[CLASS_FIVE] == 1) {
        for (uint32_t i = 0; i < oppList.count; ++i) {
            if (threatClass(oppList.words[i]) != CLASS_FIVE) continue;
            const uint32_t block = threatCell(oppList.words[i]);
            if (moverIsBlack && isForbiddenCell(pos, block)) return -2;  // the only block is forbidden
            return extend(-play<P>(pos, block));
        }
    }
    if (own[CLASS_OPEN_FOUR]) return 3;

    // The opponent's open fours: blocking helps only if some block leaves
    // the opponent without a win.
    if (moverIsBlack && own[CLASS_FORBIDDEN]) {
        if (opp[CLASS_OPEN_FOUR] && !ownFour) {
            for (uint32_t i = 0; i < oppList.count; ++i) {
                if (threatClass(oppList.words[i]) != CLASS_OPEN_FOUR) continue;
                if (-play<P>(pos, threatCell(oppList.words[i])) >= 0) return 0;
            }
            if (opp[CLASS_OPEN_FOUR] >= 2) return -4;
        }
    } else if (opp[CLASS_OPEN_FOUR] >= 2 && !ownFour) {
        for (uint32_t i = 0; i < oppList.count; ++i) {
            const ThreatWord w = oppList.words[i];
            const uint8_t cls = threatClass(w);
            if (cls != CLASS_OPEN_FOUR && !(cls == CLASS_FORBIDDEN && isDoubleFourPoint(pos, w))) continue;
            if (-play<P>(pos, threatCell(w)) >= 0) return 0;
        }
        return -4;
    }

    if (own[CLASS_FOUR_THREE]) {
        if (oppFour) {
            // Black for this test is the restricted colour of the generators.
            const bool oppIsBlack = (pos.blackColour == COLOUR_X) == (Q == COLOUR_X);
            for (uint32_t i = 0; i < ownList.count; ++i) {
                const ThreatWord w = ownList.words[i];
                if (threatClass(w) != CLASS_FOUR_THREE || threatLevel(w) != LEVEL_FOUR) continue;
                const uint32_t block = cellOf(firstKeyCell(w));
                // The opponent's forced block would make a four of his own.
                if (onBoard(pos, block) && hasFourOrFiveAt(pos, oppList, block, oppIsBlack)) return 0;
            }
        }
        for (uint32_t i = 0; i < ownList.count; ++i) {
            const ThreatWord w = ownList.words[i];
            if (threatClass(w) != CLASS_FOUR_THREE || threatLevel(w) > LEVEL_FOUR) continue;
            const int32_t reply = play<P>(pos, threatCell(w));
            if (reply < 0) return 1 - reply;
        }
    }
    return own[CLASS_DOUBLE_THREE] && !oppFour ? 5 : 0;
}

}  // namespace

int32_t threatSearch(Position& pos) {
    return pos.sideToMove == 1 ? threatSearchAs<COLOUR_X>(pos) : threatSearchAs<COLOUR_O>(pos);
}

void filterRootMovesByThreats(Position& pos, std::vector<RootMove>& rootMoves) {
    if (threatSearch(pos) != 0) return;
    int32_t best = ROOT_SCORE_UNKNOWN;
    for (RootMove& rm : rootMoves) {
        const MoveWord m = rm.pv[0];
        makeMove(pos, m);
        rm.score = -threatSearch(pos);
        unmakeMove(pos, m);
        if (rm.score > best) best = rm.score;
    }
    if (best < 0) return;
    // The largest ply count wins: among proven wins only the longest remain.
    std::vector<RootMove> kept;
    for (RootMove& rm : rootMoves)
        if (rm.score == best) kept.push_back(std::move(rm));
    rootMoves = std::move(kept);
}

void completeVirtualMove(Position& pos) {
    StateRecord& s = *pos.current;
    if (s.virtualMove == 0) return;
    copyRecordBody(s, *(pos.current - 1));
    putStone(pos, s.virtualMove);
}
