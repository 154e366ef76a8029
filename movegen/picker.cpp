#include "movegen/picker.h"

#include <cstring>

#include "movegen/generators.h"

namespace {

// Stands in for a missing continuation-history row, so that scoring a batch
// needs no test per move.
const int16_t ZERO_ROW[STAT_ENTRIES] = {};

bool isEmptyCell(const Position& pos, uint32_t cell) {
    return (pos.emptyMask[cell >> 5] >> (cell & 31)) & 1;
}

const int16_t* rowOrZero(const StackEntry& entry) {
    return entry.contHistory ? entry.contHistory : ZERO_ROW;
}

// The tables that score the moves of one node, looked up once per batch.
struct ScoreTables {
    const int16_t* history;
    const int32_t* weights;
    const int16_t* c1;  // continuation rows of the entries 1, 2, 4 and 6 plies back
    const int16_t* c2;
    const int16_t* c4;
    const int16_t* c6;
};

ScoreTables scoreTables(const Position& pos, const SearchStats& stats, const StackEntry* entry) {
    return {stats.moveHistory, pos.weights, rowOrZero(entry[-1]), rowOrZero(entry[-2]),
            rowOrZero(entry[-4]), rowOrZero(entry[-6])};
}

// The row six plies back counts half, rounded toward zero.
int32_t scoreOf(const ScoreTables& t, MoveWord move) {
    const uint32_t i = statIndex(move);
    return t.history[i] + t.weights[cellOf(move)] + t.c1[i] + t.c2[i] + t.c4[i] + t.c6[i] / 2;
}

// The highest of the classes 8, 9 and 10 in which a colour has a cell, or 0.
int highestWinningClass(const uint16_t* classCount) {
    for (int c = CLASS_FIVE_STANDS; c >= CLASS_OPEN_FOUR; --c)
        if (classCount[c] != 0) return c;
    return 0;
}

}  // namespace

int32_t moveScore(const Position& pos, const SearchStats& stats, const StackEntry* entry, MoveWord move) {
    return scoreOf(scoreTables(pos, stats, entry), move);
}

bool threatCutApplies(const Position& pos) {
    const StateRecord& r = *pos.current;
    const int own = highestWinningClass(pos.sideToMove ? r.classCountX : r.classCountO);
    const int opponent = highestWinningClass(pos.sideToMove ? r.classCountO : r.classCountX);
    return own != 0 && own >= opponent;
}

MovePicker::MovePicker(const Position& pos, const SearchStats& s, MoveWord tt, StackEntry* entry,
                       bool answerMode)
    : position(pos),
      stats(s),
      stack(entry),
      counterMove(s.counterMoves[statIndex(entry[-1].currentMove)]),
      ttMove(tt),
      killers{entry->killers[0], entry->killers[1]},
      seen{},
      moves(entry->batch) {
    // Keys do not hold the board size: a table move may come from a larger
    // board, so it must lie on this one as well as be empty.
    if (ttMove != 0 && !(xOf(ttMove) < pos.boardSize && yOf(ttMove) < pos.boardSize && isEmptyCell(pos, cellOf(ttMove))))
        ttMove = 0;
    if (answerMode)
        stage = ttMove != 0 ? STAGE_ANSWER_TT_MOVE : STAGE_GENERATE_RESPONSES;
    else
        stage = ttMove != 0 ? STAGE_TT_MOVE : STAGE_GENERATE_THREATS;
    cur = end = moves;
}

bool MovePicker::testAndSetSeen(uint32_t cell) {
    const uint32_t bit = 1u << (cell & 31);
    uint32_t& word = seen[cell >> 5];
    const bool wasSeen = (word & bit) != 0;
    word |= bit;
    return wasSeen;
}

// Scores the batch just generated at the front of `moves`.
void MovePicker::startBatch(ScoredMove* batchEnd) {
    const ScoreTables tables = scoreTables(position, stats, stack);
    for (ScoredMove* m = moves; m != batchEnd; ++m) m->value = scoreOf(tables, m->move);
    cur = moves;
    end = batchEnd;
}

// Partial selection sort: one scan per returned move, since most nodes cut
// off after a few. The entry at cur takes the winner's slot.
MoveWord MovePicker::selectBest() {
    while (cur != end) {
        ScoredMove* best = cur;
        for (ScoredMove* m = cur + 1; m != end; ++m)
            if (m->value > best->value) best = m;
        const MoveWord move = best->move;
        *best = *cur;
        ++cur;
        if (!testAndSetSeen(cellOf(move))) return move;
    }
    return 0;
}

// A killer or counter move is returned only on an unseen empty cell; its
// cell counts as seen from now on either way.
bool MovePicker::offer(MoveWord move) {
    if (move == 0) return false;
    const uint32_t cell = cellOf(move);
    return !testAndSetSeen(cell) && isEmptyCell(position, cell);
}

MoveWord MovePicker::next(bool skipQuiets) {
    switch (stage) {
        case STAGE_TT_MOVE:
            stage = STAGE_GENERATE_THREATS;
            return ttMove;

        case STAGE_GENERATE_THREATS:
            std::memset(seen, 0, sizeof seen);
            if (ttMove != 0) testAndSetSeen(cellOf(ttMove));
            startBatch(generateThreatMoves(position, moves));
            stage = STAGE_THREAT_MOVES;
            [[fallthrough]];

        case STAGE_THREAT_MOVES:
            if (const MoveWord move = selectBest()) return move;
            if (threatCutApplies(position)) return 0;
            stage = STAGE_KILLER_1;
            [[fallthrough]];

        case STAGE_KILLER_1:
            stage = STAGE_KILLER_2;
            if (offer(killers[0])) return killers[0];
            [[fallthrough]];

        case STAGE_KILLER_2:
            stage = STAGE_COUNTER_MOVE;
            if (offer(killers[1])) return killers[1];
            [[fallthrough]];

        case STAGE_COUNTER_MOVE:
            stage = STAGE_GENERATE_QUIETS;
            if (offer(counterMove)) return counterMove;
            [[fallthrough]];

        case STAGE_GENERATE_QUIETS:
            if (skipQuiets) return 0;
            startBatch(generateQuietMoves(position, moves));
            stage = STAGE_QUIET_MOVES;
            [[fallthrough]];

        case STAGE_QUIET_MOVES:
            if (skipQuiets) return 0;
            return selectBest();

        case STAGE_ANSWER_TT_MOVE:
            stage = STAGE_GENERATE_RESPONSES;
            return ttMove;

        case STAGE_GENERATE_RESPONSES:
            std::memset(seen, 0, sizeof seen);
            if (ttMove != 0) testAndSetSeen(cellOf(ttMove));
            startBatch(generateThreatResponses(position, moves));
            stage = STAGE_RESPONSES;
            [[fallthrough]];

        case STAGE_RESPONSES:
            return selectBest();
    }
    return 0;
}
