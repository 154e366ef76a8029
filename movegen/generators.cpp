#include "movegen/generators.h"

namespace {

constexpr uint32_t DIRECTION_FIELD_SHIFT = 12;

// ---------------------------------------------------------------------------
// The mover's and the opponent's view of the current record
// ---------------------------------------------------------------------------

template <uint32_t Colour>
constexpr uint32_t opponentOf() {
    return Colour == COLOUR_X ? COLOUR_O : COLOUR_X;
}

template <uint32_t Colour>
const ThreatList& threatsOf(const StateRecord& r) {
    if constexpr (Colour == COLOUR_X)
        return r.threatsX;
    else
        return r.threatsO;
}

template <uint32_t Colour>
const uint16_t* classCountsOf(const StateRecord& r) {
    if constexpr (Colour == COLOUR_X)
        return r.classCountX;
    else
        return r.classCountO;
}

template <uint32_t Colour>
bool hasFourOf(const StateRecord& r) {
    if constexpr (Colour == COLOUR_X)
        return r.hasFourX != 0;
    else
        return r.hasFourO != 0;
}

template <uint32_t Colour>
uint32_t levelAt(const Position& pos, uint32_t cell, int direction) {
    return detailLevel(slotDetail(pos.slots[cell][direction], Colour));
}

bool onBoard(const Position& pos, uint32_t cell) {
    return xOf(cell) < pos.boardSize && yOf(cell) < pos.boardSize;
}

// ---------------------------------------------------------------------------
// Emitting moves
// ---------------------------------------------------------------------------

template <uint32_t Mover>
uint32_t recoloured(ThreatWord w) {
    return (w & ~COLOUR_MASK) | Mover;
}

template <uint32_t Mover>
uint32_t bareCell(ThreatWord w) {
    return (w & CELL_MASK) | Mover;
}

inline ScoredMove* emit(ScoredMove* out, uint32_t move) {
    out->move = move;
    return out + 1;
}

// Every word of the list whose class field is cls, as the mover's move with
// the extra bits given, each followed by its key cells when withKeys.
template <uint32_t Mover>
ScoredMove* emitClass(const ThreatList& list, uint8_t cls, bool withKeys, uint32_t extraBits,
                      ScoredMove* out) {
    for (uint32_t i = 0; i < list.count; ++i) {
        const ThreatWord w = list.words[i];
        if (threatClass(w) != cls) continue;
        const uint32_t move = recoloured<Mover>(w) | extraBits;
        out = emit(out, move);
        if (withKeys) out = appendKeyCells(recoloured<Mover>(w), out);
    }
    return out;
}

// Every word of the list whose level is at most 2 (the cell makes a four or
// a five there), as a bare cell of the mover.
template <uint32_t Mover>
ScoredMove* emitFourCells(const ThreatList& list, ScoredMove* out) {
    for (uint32_t i = 0; i < list.count; ++i)
        if (threatLevel(list.words[i]) <= LEVEL_FOUR)
            out = emit(out, bareCell<Mover>(list.words[i]));
    return out;
}

// Every word of the list, as a bare cell of the mover.
template <uint32_t Mover>
ScoredMove* emitBareCells(const ThreatList& list, ScoredMove* out) {
    for (uint32_t i = 0; i < list.count; ++i) out = emit(out, bareCell<Mover>(list.words[i]));
    return out;
}

// Every class-1 word of the list that is a double-four point of the black
// colour, as a bare cell of the mover: the restricted side's forbidden
// double fours, where the free side may play.
template <uint32_t Mover>
ScoredMove* emitDoubleFourPoints(const Position& pos, const ThreatList& list, ScoredMove* out) {
    for (uint32_t i = 0; i < list.count; ++i) {
        const ThreatWord w = list.words[i];
        if (threatClass(w) == CLASS_FORBIDDEN && isDoubleFourPoint(pos, w))
            out = emit(out, bareCell<Mover>(w));
    }
    return out;
}

// Keeps, in order, the moves whose cell is forbidden to neither colour.
ScoredMove* filterForbidden(const Position& pos, ScoredMove* begin, ScoredMove* end) {
    ScoredMove* kept = begin;
    for (ScoredMove* m = begin; m != end; ++m)
        if (!isForbiddenCell(pos, cellOf(m->move))) *kept++ = *m;
    return kept;
}

// The end of a step: restricted variants drop the forbidden cells.
template <bool Restricted>
ScoredMove* finishStep(const Position& pos, ScoredMove* begin, ScoredMove* end) {
    if constexpr (Restricted)
        return filterForbidden(pos, begin, end);
    else
        return end;
}

template <uint32_t Mover>
ScoredMove* emitCentre(const Position& pos, ScoredMove* out) {
    const uint32_t half = pos.boardSize / 2;
    return emit(out, makeMoveWord(Mover, half, half));
}

// The empty cells of row x that lie near some stone, one bit per column.
uint32_t neighbourhoodRow(const Position& pos, uint32_t x) {
    return (pos.current->area[x + 3] >> 3) & pos.emptyMask[x];
}

// Row by row, column by column: every neighbourhood cell for which keep(cell)
// holds, as a bare cell of the mover.
template <uint32_t Mover, typename Keep>
ScoredMove* scanNeighbourhood(const Position& pos, ScoredMove* out, Keep keep) {
    for (uint32_t x = 0; x < pos.boardSize; ++x) {
        for (uint32_t bits = neighbourhoodRow(pos, x); bits != 0; bits &= bits - 1) {
            const uint32_t cell = cellIndex(x, __builtin_ctz(bits));
            if (keep(cell)) out = emit(out, cell | Mover);
        }
    }
    return out;
}

// The mover's class of the cell.
template <uint32_t Mover>
uint8_t ownClass(const Position& pos, uint32_t cell) {
    return Mover == COLOUR_X ? pos.classes[cell].x : pos.classes[cell].o;
}

// ---------------------------------------------------------------------------
// Four-three points and their blocks
// ---------------------------------------------------------------------------

// True when the list holds a word at the cell with level at most 2, i.e. a
// stone there would make a four or five for the list's colour. With
// needPlayable the cell must also be forbidden to neither colour.
bool foursAt(const Position& pos, const ThreatList& list, uint32_t cell, bool needPlayable) {
    if (needPlayable && isForbiddenCell(pos, cell)) return false;
    for (uint32_t i = 0; i < list.count; ++i) {
        const ThreatWord w = list.words[i];
        if (threatCell(w) == cell && threatLevel(w) <= LEVEL_FOUR) return true;
    }
    return false;
}

bool isFourOfFourThree(uint32_t move) {
    return threatClass(move) == CLASS_FOUR_THREE && threatLevel(move) == LEVEL_FOUR;
}

// The opponent must stop the four of an own four-three point at its block
// cell; it is unanswerable when the opponent makes no four or five there (in
// the free variants, none that the opponent may play).
template <uint32_t Mover, bool Restricted>
bool someFourThreeUnanswerable(const Position& pos) {
    const StateRecord& r = *pos.current;
    const ThreatList& own = threatsOf<Mover>(r);
    const ThreatList& opp = threatsOf<opponentOf<Mover>()>(r);
    for (uint32_t i = 0; i < own.count; ++i) {
        const ThreatWord w = own.words[i];
        if (!isFourOfFourThree(w)) continue;
        const uint32_t blockCell = cellOf(firstKeyCell(w));
        if (opp.count == 0 || !foursAt(pos, opp, blockCell, !Restricted)) return true;
    }
    return false;
}

// Walks from the block cell of each four of the opponent's four-three points
// in the batch, four steps each way along every direction, and emits the
// empty cells where the mover makes a three in that direction; a walk stops
// at the board's edge or an opponent stone and passes over own stones.
template <uint32_t Mover>
ScoredMove* emitLineWalkCells(const Position& pos, const ScoredMove* batch,
                              const ScoredMove* batchEnd, ScoredMove* out) {
    constexpr uint32_t opponent = opponentOf<Mover>();
    for (const ScoredMove* b = batch; b != batchEnd; ++b) {
        if (!isFourOfFourThree(b->move)) continue;
        const uint32_t blockCell = cellOf(firstKeyCell(b->move));
        if (!onBoard(pos, blockCell)) continue;
        for (int d = 0; d < DIRECTION_COUNT; ++d) {
            for (int sign = 1; sign >= -1; sign -= 2) {
                const int step = sign * DIRECTION_STEP[d];
                for (int k = 1; k <= 4; ++k) {
                    // A step off the low edge wraps to a large row or column.
                    const uint32_t cell = uint32_t(int(blockCell) + k * step) & CELL_MASK;
                    if (!onBoard(pos, cell) || pos.cells[cell] == opponent) break;
                    if (pos.cells[cell] == 0 && levelAt<Mover>(pos, cell, d) == LEVEL_THREE)
                        out = emit(out, cell | Mover | uint32_t(d) << DIRECTION_FIELD_SHIFT);
                }
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// The rules of mustAnswer and unansweredThreatClass
// ---------------------------------------------------------------------------

// The highest of classes 7 ... 10 the colour holds, 0 when none.
int bestForcingClass(const uint16_t* counts) {
    for (int k = CLASS_FIVE_STANDS; k >= CLASS_FOUR_THREE; --k)
        if (counts[k] != 0) return k;
    return 0;
}

struct Sides {
    const uint16_t* mover;     // side to move
    const uint16_t* opponent;  // the other colour
    bool moverIsBlack;         // blackColour names the side to move
};

Sides sidesOf(const Position& pos) {
    const StateRecord& r = *pos.current;
    const bool xToMove = pos.sideToMove == 1;
    const bool xIsBlack = pos.blackColour == COLOUR_X;
    return {xToMove ? r.classCountX : r.classCountO, xToMove ? r.classCountO : r.classCountX,
            xToMove == xIsBlack};
}

// The exits shared by both predicates, when the side to move is not behind
// in forcing threats: it holds one of its own, or a double three the
// opponent cannot meet with a four, or it is the free colour and holds
// class-1 cells.
bool moverNeedNotAnswer(const Sides& s) {
    const int mine = bestForcingClass(s.mover);
    const int theirs = bestForcingClass(s.opponent);
    if (mine < theirs) return false;
    if (mine != 0) return true;
    if (s.mover[CLASS_DOUBLE_THREE] != 0 && s.opponent[CLASS_FOUR] == 0 &&
        s.opponent[CLASS_FOUR_CLOSED_THREE] == 0)
        return true;
    return s.mover[CLASS_FORBIDDEN] != 0 && !s.moverIsBlack;
}

bool hasFourOrDoubleThree(const uint16_t* counts) {
    return counts[CLASS_FOUR] != 0 || counts[CLASS_FOUR_CLOSED_THREE] != 0 ||
           counts[CLASS_DOUBLE_THREE] != 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

ScoredMove* appendKeyCells(uint32_t move, ScoredMove* out) {
    const int step = DIRECTION_STEP[threatDirection(move)];
    const int shift = int(threatShift(move));
    const int cell = int(cellOf(move));
    for (uint32_t mask = threatKeyMask(move); mask != 0; mask &= mask - 1) {
        const int k = __builtin_ctz(mask);
        const uint32_t keyCell = uint32_t(cell + (k - shift) * step) & CELL_MASK;
        out = emit(out, (move & ~CELL_MASK) | keyCell);
    }
    return out;
}

uint32_t firstKeyCell(uint32_t move) {
    const uint32_t mask = threatKeyMask(move);
    if (mask == 0) return move;
    const int k = __builtin_ctz(mask);
    const int offset = (k - int(threatShift(move))) * DIRECTION_STEP[threatDirection(move)];
    return (move & ~CELL_MASK) | (uint32_t(int(cellOf(move)) + offset) & CELL_MASK);
}

template <uint32_t Mover>
ScoredMove* collectOpenFourMoves(const Position& pos, ScoredMove* out) {
    const StateRecord& r = *pos.current;
    const uint16_t openFours = classCountsOf<Mover>(r)[CLASS_OPEN_FOUR];
    if (openFours == 0) return out;
    // With a single point, its other completions are worth trying too.
    return emitClass<Mover>(threatsOf<Mover>(r), CLASS_OPEN_FOUR, openFours == 1, 0, out);
}

template <uint32_t Mover>
ScoredMove* generateDoubleThreeDefences(const Position& pos, ScoredMove* out) {
    const StateRecord& r = *pos.current;
    constexpr uint32_t opponent = opponentOf<Mover>();
    if (classCountsOf<opponent>(r)[CLASS_DOUBLE_THREE] == 0) return out;
    out = emitClass<Mover>(threatsOf<opponent>(r), CLASS_DOUBLE_THREE, true, 0, out);
    out = emitBareCells<Mover>(threatsOf<Mover>(r), out);
    return scanNeighbourhood<Mover>(pos, out, [&pos](uint32_t cell) {
        for (int d = 0; d < DIRECTION_COUNT; ++d)
            if (levelAt<Mover>(pos, cell, d) == LEVEL_THREE) return true;
        return false;
    });
}

bool isDoubleFourPoint(const Position& pos, uint32_t move) {
    const uint32_t black = pos.blackColour == COLOUR_X ? COLOUR_X : COLOUR_O;
    const uint64_t* slots = pos.slots[cellOf(move)];
    int fours = 0;
    for (int d = 0; d < DIRECTION_COUNT; ++d) {
        const uint8_t code = slotCode(slots[d], black);
        if (code == CODE_FOUR || code == CODE_FOUR_AND_THREE || code == CODE_OPEN_FOUR)
            fours += 1;
        else if (code == CODE_DOUBLE_FOUR)
            fours += 2;
    }
    return fours > 1;
}

bool mustAnswer(const Position& pos) {
    const Sides s = sidesOf(pos);
    if (moverNeedNotAnswer(s)) return false;
    const int mine = bestForcingClass(s.mover);
    const int theirs = bestForcingClass(s.opponent);
    if (theirs < mine) return false;
    if (mine == 0 && theirs == 0 &&
        (s.opponent[CLASS_DOUBLE_THREE] == 0 || hasFourOrDoubleThree(s.mover)))
        return false;
    return true;
}

int unansweredThreatClass(const Position& pos) {
    const Sides s = sidesOf(pos);
    if (moverNeedNotAnswer(s)) return 0;
    for (int k = CLASS_FIVE_STANDS; k >= CLASS_FOUR_THREE; --k) {
        if (s.opponent[k] != 0) return k;
        if (s.mover[k] != 0) return 0;
    }
    if (s.opponent[CLASS_DOUBLE_THREE] != 0 && !hasFourOrDoubleThree(s.mover))
        return CLASS_DOUBLE_THREE;
    return s.opponent[CLASS_FORBIDDEN] != 0 ? CLASS_FORBIDDEN : 0;
}

bool sideToMoveIsRestricted(const Position& pos) {
    return restrictedColour(pos) == (pos.sideToMove == 1 ? COLOUR_X : COLOUR_O);
}

// ---------------------------------------------------------------------------
// The four families
// ---------------------------------------------------------------------------

template <uint32_t Mover, bool Restricted>
ScoredMove* generateAllCandidates(const Position& pos, ScoredMove* out) {
    if (pos.stoneCount == 0) return emitCentre<Mover>(pos, out);
    ScoredMove* end = scanNeighbourhood<Mover>(pos, out, [](uint32_t) { return true; });
    return finishStep<Restricted>(pos, out, end);
}

template <uint32_t Mover, bool Restricted>
ScoredMove* generateQuietMoves(const Position& pos, ScoredMove* out) {
    if (pos.stoneCount == 0) return emitCentre<Mover>(pos, out);
    // The class test reads only the neighbourhood cells of each row, which
    // measured cheaper than testing all 32 class pairs of the row at once.
    ScoredMove* end = scanNeighbourhood<Mover>(
        pos, out, [&pos](uint32_t cell) { return ownClass<Mover>(pos, cell) < CLASS_OPEN_THREE; });
    return finishStep<Restricted>(pos, out, end);
}

template <uint32_t Mover, bool Restricted>
ScoredMove* generateThreatMoves(const Position& pos, ScoredMove* out) {
    const StateRecord& r = *pos.current;
    constexpr uint32_t opponent = opponentOf<Mover>();
    const uint16_t* own = classCountsOf<Mover>(r);
    const ThreatList& ownList = threatsOf<Mover>(r);
    ScoredMove* end = out;

    if (own[CLASS_FIVE] != 0) {
        end = emitClass<Mover>(ownList, CLASS_FIVE, false, 0, out);
    } else if (own[CLASS_OPEN_FOUR] != 0) {
        end = emitClass<Mover>(ownList, CLASS_OPEN_FOUR, false, 0, out);
    } else if (own[CLASS_FOUR_THREE] != 0 && someFourThreeUnanswerable<Mover, Restricted>(pos)) {
        // A four-three the opponent cannot block with a four of his own wins.
        end = emitClass<Mover>(ownList, CLASS_FOUR_THREE, false, 0, out);
    } else {
        for (uint32_t i = 0; i < ownList.count; ++i) end = emit(end, ownList.words[i]);
        // The free side may also play where the restricted side may not.
        if constexpr (!Restricted) {
            const ThreatList& oppList = threatsOf<opponent>(r);
            for (uint32_t i = 0; i < oppList.count; ++i)
                if (threatClass(oppList.words[i]) == CLASS_FORBIDDEN)
                    end = emit(end, bareCell<Mover>(oppList.words[i]));
        }
    }
    return finishStep<Restricted>(pos, out, end);
}

template <uint32_t Mover, bool Restricted>
ScoredMove* generateThreatResponses(const Position& pos, ScoredMove* out) {
    const StateRecord& r = *pos.current;
    constexpr uint32_t opponent = opponentOf<Mover>();
    const uint16_t* own = classCountsOf<Mover>(r);
    const uint16_t* opp = classCountsOf<opponent>(r);
    const ThreatList& ownList = threatsOf<Mover>(r);
    const ThreatList& oppList = threatsOf<opponent>(r);
    ScoredMove* end;

    // A five already stands: nothing is left to play.
    if (r.classCountX[CLASS_FIVE_STANDS] != 0 || r.classCountO[CLASS_FIVE_STANDS] != 0) return out;

    // Own five.
    if (own[CLASS_FIVE] != 0) {
        end = emitClass<Mover>(ownList, CLASS_FIVE, false, FORCING_FLAG, out);
        end = finishStep<Restricted>(pos, out, end);
        if (end != out) return end;
    }
    // Block the opponent's five.
    if (opp[CLASS_FIVE] != 0) {
        end = emitClass<Mover>(oppList, CLASS_FIVE, false, FORCING_FLAG, out);
        end = finishStep<Restricted>(pos, out, end);
        if (end != out) return end;
    }
    // Own open four.
    end = finishStep<Restricted>(pos, out, collectOpenFourMoves<Mover>(pos, out));
    if (end != out) return end;

    // The opponent's open four: block it, or counter with own fours.
    if (opp[CLASS_OPEN_FOUR] != 0) {
        if (oppList.count == 0) {
            end = emitFourCells<Mover>(ownList, out);
        } else {
            end = emitClass<Mover>(oppList, CLASS_OPEN_FOUR, opp[CLASS_OPEN_FOUR] == 1, 0, out);
            end = emitFourCells<Mover>(ownList, end);
            if constexpr (!Restricted) end = emitDoubleFourPoints<Mover>(pos, oppList, end);
        }
        end = finishStep<Restricted>(pos, out, end);
        if (end != out) return end;
    }
    // Own four-three: play it, or take the opponent's four cells away.
    if (own[CLASS_FOUR_THREE] != 0) {
        if (ownList.count == 0) {
            end = emitFourCells<Mover>(oppList, out);
        } else {
            end = emitClass<Mover>(ownList, CLASS_FOUR_THREE, own[CLASS_FOUR_THREE] == 1, 0, out);
            end = emitFourCells<Mover>(oppList, end);
            if constexpr (!Restricted) end = emitDoubleFourPoints<Mover>(pos, ownList, end);
        }
        end = finishStep<Restricted>(pos, out, end);
        if (end != out) return end;
    }
    // The opponent's four-three.
    if (opp[CLASS_FOUR_THREE] != 0) {
        ScoredMove* const batch = out;
        ScoredMove* const batchEnd = emitClass<Mover>(oppList, CLASS_FOUR_THREE, true, 0, batch);
        end = batchEnd;
        bool counter = false;
        if (hasFourOf<Mover>(r)) {
            // Blocking the four with a four of one's own leaves the opponent
            // to answer first: any move may then be worth a look.
            for (const ScoredMove* b = batch; b != batchEnd && !counter; ++b) {
                if (!isFourOfFourThree(b->move)) continue;
                const uint32_t blockCell = cellOf(firstKeyCell(b->move));
                counter = onBoard(pos, blockCell) && foursAt(pos, ownList, blockCell, Restricted);
            }
            if (counter) {
                end = emitBareCells<Mover>(ownList, end);
                end = generateAllCandidates<Mover, Restricted>(pos, end);
                if constexpr (!Restricted) return end;
            }
        }
        if (!counter) end = emitFourCells<Mover>(ownList, end);
        end = emitLineWalkCells<Mover>(pos, batch, batchEnd, end);
        end = finishStep<Restricted>(pos, out, end);
        if (end != out) return end;
    }
    // Own double three.
    if (own[CLASS_DOUBLE_THREE] != 0) {
        end = emitClass<Mover>(ownList, CLASS_DOUBLE_THREE, own[CLASS_DOUBLE_THREE] == 1, 0, out);
        end = emitFourCells<Mover>(oppList, end);
        if constexpr (!Restricted) end = emitDoubleFourPoints<Mover>(pos, ownList, end);
        end = finishStep<Restricted>(pos, out, end);
        if (end != out) return end;
    }
    // The opponent's double three, when no own four can meet it.
    if (!hasFourOf<Mover>(r) && unansweredThreatClass(pos) != CLASS_FORBIDDEN) {
        end = finishStep<Restricted>(pos, out, generateDoubleThreeDefences<Mover>(pos, out));
        if (end != out) return end;
    }
    return generateAllCandidates<Mover, Restricted>(pos, out);
}

// ---------------------------------------------------------------------------
// Instantiations and dispatch
// ---------------------------------------------------------------------------

template ScoredMove* generateThreatMoves<COLOUR_X, true>(const Position&, ScoredMove*);
template ScoredMove* generateThreatMoves<COLOUR_X, false>(const Position&, ScoredMove*);
template ScoredMove* generateThreatMoves<COLOUR_O, true>(const Position&, ScoredMove*);
template ScoredMove* generateThreatMoves<COLOUR_O, false>(const Position&, ScoredMove*);

template ScoredMove* generateQuietMoves<COLOUR_X, true>(const Position&, ScoredMove*);
template ScoredMove* generateQuietMoves<COLOUR_X, false>(const Position&, ScoredMove*);
template ScoredMove* generateQuietMoves<COLOUR_O, true>(const Position&, ScoredMove*);
template ScoredMove* generateQuietMoves<COLOUR_O, false>(const Position&, ScoredMove*);

template ScoredMove* generateThreatResponses<COLOUR_X, true>(const Position&, ScoredMove*);
template ScoredMove* generateThreatResponses<COLOUR_X, false>(const Position&, ScoredMove*);
template ScoredMove* generateThreatResponses<COLOUR_O, true>(const Position&, ScoredMove*);
template ScoredMove* generateThreatResponses<COLOUR_O, false>(const Position&, ScoredMove*);

template ScoredMove* generateAllCandidates<COLOUR_X, true>(const Position&, ScoredMove*);
template ScoredMove* generateAllCandidates<COLOUR_X, false>(const Position&, ScoredMove*);
template ScoredMove* generateAllCandidates<COLOUR_O, true>(const Position&, ScoredMove*);
template ScoredMove* generateAllCandidates<COLOUR_O, false>(const Position&, ScoredMove*);

template ScoredMove* collectOpenFourMoves<COLOUR_X>(const Position&, ScoredMove*);
template ScoredMove* collectOpenFourMoves<COLOUR_O>(const Position&, ScoredMove*);
template ScoredMove* generateDoubleThreeDefences<COLOUR_X>(const Position&, ScoredMove*);
template ScoredMove* generateDoubleThreeDefences<COLOUR_O>(const Position&, ScoredMove*);

namespace {

// Runs generate.operator()<Mover, Restricted>() for the side to move: the
// restricted variant for the colour the forbidden-move rule binds (under
// renju X exactly when blackColour names X, else O; under the other rules
// none), the free variant otherwise.
template <typename Generate>
ScoredMove* forSideToMove(const Position& pos, Generate generate) {
    const uint32_t restricted = restrictedColour(pos);
    if (pos.sideToMove == 1)
        return restricted == COLOUR_X ? generate.template operator()<COLOUR_X, true>()
                                      : generate.template operator()<COLOUR_X, false>();
    return restricted == COLOUR_O ? generate.template operator()<COLOUR_O, true>()
                                  : generate.template operator()<COLOUR_O, false>();
}

}  // namespace

ScoredMove* generateThreatMoves(const Position& pos, ScoredMove* out) {
    return forSideToMove(pos, [&]<uint32_t M, bool R>() { return generateThreatMoves<M, R>(pos, out); });
}

ScoredMove* generateQuietMoves(const Position& pos, ScoredMove* out) {
    return forSideToMove(pos, [&]<uint32_t M, bool R>() { return generateQuietMoves<M, R>(pos, out); });
}

ScoredMove* generateThreatResponses(const Position& pos, ScoredMove* out) {
    return forSideToMove(pos, [&]<uint32_t M, bool R>() { return generateThreatResponses<M, R>(pos, out); });
}

ScoredMove* generateAllCandidates(const Position& pos, ScoredMove* out) {
    return forSideToMove(pos, [&]<uint32_t M, bool R>() { return generateAllCandidates<M, R>(pos, out); });
}
