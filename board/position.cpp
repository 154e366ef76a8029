#include "board/position.h"

#include <cstring>

#include "board/renju.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "board/zobrist.h"

namespace {

void copyThreatList(ThreatList& to, const ThreatList& from) {
    to.count = from.count;
    std::memcpy(to.words, from.words, from.count * sizeof(ThreatWord));
}

}  // namespace

void copyRecordBody(StateRecord& to, const StateRecord& from) {
    copyThreatList(to.threatsX, from.threatsX);
    copyThreatList(to.threatsO, from.threatsO);
    std::memcpy(static_cast<void*>(&to), &from, STATE_HEAD_BYTES);
}

namespace {

// Rows of the neighbourhood marked around a stone, for x-3 ... x+3, bit j
// meaning column y+j-3: the 5 x 5 square without the stone, plus the cells
// three steps away along its four lines.
constexpr uint32_t AREA_ROWS[7] = {73, 62, 62, 119, 62, 62, 73};

// The next record receives the threat lists and head of the current one.
StateRecord& pushCopiedRecord(Position& pos) {
    StateRecord& s = *(pos.current + 1);
    copyRecordBody(s, *pos.current);
    return s;
}

bool isCandidateClass(uint8_t cls, bool withDoubleThree) {
    return cls == CLASS_FOUR_THREE || cls == CLASS_OPEN_FOUR ||
           (withDoubleThree && cls == CLASS_DOUBLE_THREE);
}

// Appends the cell of every word of the list whose table class for the
// given colour is 7 or 8 (and 6 when withDoubleThree).
uint32_t* appendRenjuCandidates(const Position& pos, const ThreatList& list, bool ofX,
                                bool withDoubleThree, uint32_t* cursor) {
    for (uint32_t i = 0; i < list.count; ++i) {
        const uint32_t cell = threatCell(list.words[i]);
        const uint8_t cls = ofX ? tableClassX(pos.slots[cell]) : tableClassO(pos.slots[cell]);
        if (isCandidateClass(cls, withDoubleThree)) *cursor++ = cell;
    }
    return cursor;
}

void rewriteClassFields(ThreatList& list, const ClassPair* classes, bool ofX) {
    for (uint32_t i = 0; i < list.count; ++i) {
        const ClassPair pair = classes[threatCell(list.words[i])];
        list.words[i] = withThreatClass(list.words[i], ofX ? pair.x : pair.o);
    }
}

bool hasFourClass(const uint16_t* counts) {
    return counts[CLASS_FOUR] | counts[CLASS_FOUR_CLOSED_THREE] | counts[CLASS_FOUR_THREE] |
           counts[CLASS_OPEN_FOUR] | counts[CLASS_FIVE];
}

// A cell's shapes from its slots, and the record's sums of shape values
// moved from its old shapes to the new.
inline void updateShape(Position& pos, StateRecord& r, uint32_t c) {
    const ShapeValues& valuesX = *shapeValuesX;
    const ShapeValues& valuesO = *shapeValuesO;
    const ShapePair oldShape = pos.shapes[c];
    const ShapePair newShape{shapeX(pos.slots[c]), shapeO(pos.slots[c])};
    pos.shapes[c] = newShape;
    const ShapeValue nowX = valuesX.of[newShape.x], wasX = valuesX.of[oldShape.x];
    const ShapeValue nowO = valuesO.of[newShape.o], wasO = valuesO.of[oldShape.o];
    r.shapeSum[0][0] += nowX.own - wasX.own;
    r.shapeSum[0][1] += nowX.other - wasX.other;
    r.shapeSum[1][0] += nowO.own - wasO.own;
    r.shapeSum[1][1] += nowO.other - wasO.other;
}

// The slots of the cells whose shape codes alone the record's stone may
// have changed, refreshed as the board stands; the old ones kept in the
// record.
void refreshRecordShapeCodes(Position& pos, StateRecord& s) {
    ShapeRefresh* cursor = s.shapeRefreshes;
    for (int d = 0; d < DIRECTION_COUNT; ++d) {
        if (s.shapeMask[d] == 0) continue;
        const CellLine& g = pos.geometry[s.stoneCell][d];
        cursor = refreshShapeCodes(*g.line, g.position, s.shapeMask[d], cursor);
    }
    s.shapeCellCount = uint32_t(cursor - s.shapeRefreshes);
}

// The shapes of every cell the record's stone touched, from the slots as
// they stand, their sums moved in `into`; the old shapes kept in the record.
// A cell touched twice finds its new shape the second time and changes
// nothing more.
void updateRecordShapes(Position& pos, StateRecord& s, StateRecord& into) {
    for (uint32_t i = 0; i < s.codeShapeCount; ++i) {
        const uint32_t c = s.codeShapeCells[i];
        s.savedShapes[i] = pos.shapes[c];
        updateShape(pos, into, c);
    }
    for (uint32_t i = 0; i < s.shapeCellCount; ++i) {
        const uint32_t c = s.shapeRefreshes[i].cell;
        s.savedCellShapes[i] = pos.shapes[c];
        updateShape(pos, into, c);
    }
}

// Takes back what the sync of record s changed, the last change first.
void restoreSyncedShapes(Position& pos, StateRecord& s) {
    for (StateRecord* r = &s; r != s.shapeSyncBase; --r) {
        for (uint32_t i = r->shapeCellCount; i-- > 0;) {
            const ShapeRefresh& refresh = r->shapeRefreshes[i];
            *refresh.slot = refresh.before;
            pos.shapes[refresh.cell] = r->savedCellShapes[i];
        }
        for (uint32_t i = r->codeShapeCount; i-- > 0;) pos.shapes[r->codeShapeCells[i]] = r->savedShapes[i];
    }
}

// A record to be pushed without a stone: nothing for a sync to do in it.
void markStoneless(StateRecord& s) {
    s.codeShapeCount = 0;
    for (uint16_t& mask : s.shapeMask) mask = 0;
    s.shapesPending = 1;
    s.shapeSyncBase = nullptr;
}

// SetUp: a stone put in record 0 (a set-up, which puts all its stones
// there and never takes them back): its shapes count at once.
template <uint32_t Colour, bool SetUp>
void putStoneAs(Position& pos, MoveWord m) {
    StateRecord& r = *pos.current;
    const uint32_t cell = cellOf(m);
    const uint32_t x = xOf(m);
    const uint32_t y = yOf(m);

    pos.history[pos.stoneCount++] = m & MOVE_MASK;
    pos.cells[cell] = Colour;
    pos.emptyMask[x] &= ~(1u << y);

    // The four lines: refresh the flagged slots and both threat lists.
    uint32_t* cursor = r.changedCells;
    uint32_t* shapeCursor = r.codeShapeCells;
    *shapeCursor++ = cell;
    for (int d = 0; d < DIRECTION_COUNT; ++d) {
        const CellLine& g = pos.geometry[cell][d];
        cursor = addStoneToLine<Colour>(*g.line, g.position, r.threatsX, r.threatsO, r.updateMask[d],
                                        r.shapeMask[d], r.savedSlots[d], cursor, shapeCursor);
    }
    r.codeShapeCount = uint32_t(shapeCursor - r.codeShapeCells);
    *cursor++ = cell;

    // Black cells whose Renju verdict may have changed elsewhere on the
    // board: the forbidden ones, and those whose threes or fours the stone
    // may have made real or spoiled. The other rules forbid nothing.
    const bool renju = pos.rule == RULE_RENJU;
    const uint32_t black = pos.blackColour;
    const bool xIsBlack = black == COLOUR_X;
    const ThreatList& blackList = xIsBlack ? r.threatsX : r.threatsO;
    const uint16_t* blackCounts = xIsBlack ? r.classCountX : r.classCountO;
    if (!renju) {
        // nothing to re-judge
    } else if (blackCounts[CLASS_FORBIDDEN] != 0) {
        for (uint32_t i = 0; i < blackList.count; ++i)
            if (threatClass(blackList.words[i]) == CLASS_FORBIDDEN)
                *cursor++ = threatCell(blackList.words[i]);
    }
    if (!renju) {
        // nothing to re-judge
    } else if constexpr (Colour == COLOUR_X) {
        if (xIsBlack)
            cursor = appendRenjuCandidates(pos, r.threatsX, true, false, cursor);
        else
            cursor = appendRenjuCandidates(pos, r.threatsO, false, true, cursor);
    } else {
        // X black: X's words with X class 6, 7 or 8. With black unknown the
        // O classes are the ones judged as black's, so they are read here.
        if (black == COLOUR_O)
            cursor = appendRenjuCandidates(pos, r.threatsO, false, false, cursor);
        else
            cursor = appendRenjuCandidates(pos, blackList, xIsBlack, true, cursor);
    }

    // New class pairs of every listed cell, the old ones saved for
    // unmaking. A cell listed twice finds its new pair the second time, and
    // changes nothing more.
    const uint32_t changed = uint32_t(cursor - r.changedCells);
    for (uint32_t i = 0; i < changed; ++i) {
        const uint32_t c = r.changedCells[i];
        const ClassPair old = pos.classes[c];
        r.savedClasses[i] = old;
        ClassPair now{tableClassX(pos.slots[c]), tableClassO(pos.slots[c])};
        uint8_t& blackClass = xIsBlack ? now.x : now.o;
        if (renju && blackClass >= CLASS_DOUBLE_THREE && blackClass <= CLASS_OPEN_FOUR)
            blackClass = adjustBlackClass(pos, c, blackClass);
        pos.classes[c] = now;
        --r.classCountX[old.x];
        ++r.classCountX[now.x];
        --r.classCountO[old.o];
        ++r.classCountO[now.o];
    }
    r.changedCount = changed;
    r.stoneCell = cell;
    r.shapeSyncBase = nullptr;
    r.shapesPending = 1;
    if (SetUp && shapesTracked) {
        refreshRecordShapeCodes(pos, r);
        updateRecordShapes(pos, r, r);
        r.shapesPending = 0;
    }

    // Running score: the stone's value in its four windows plus its cell.
    const uint64_t* placed = pos.slots[cell];
    int32_t s = 0;
    for (int d = 0; d < DIRECTION_COUNT; ++d)
        s += Colour == COLOUR_X ? slotScoreX(placed[d]) : slotScoreO(placed[d]);
    if constexpr (Colour == COLOUR_X)
        r.eval += 7 * s + pos.weights[cell];
    else
        r.eval -= 7 * s + pos.weights[cell];

    rewriteClassFields(r.threatsX, pos.classes, true);
    r.hasFourX = hasFourClass(r.classCountX);
    rewriteClassFields(r.threatsO, pos.classes, false);
    r.hasFourO = hasFourClass(r.classCountO);

    for (int k = 0; k < 7; ++k) r.area[x + k] |= AREA_ROWS[k] << y;
    r.virtualMove = 0;
}

}  // namespace

void putStone(Position& pos, MoveWord m) {
    const bool setUp = pos.current == &pos.states[0];
    if (m & COLOUR_X)
        setUp ? putStoneAs<COLOUR_X, true>(pos, m) : putStoneAs<COLOUR_X, false>(pos, m);
    else
        setUp ? putStoneAs<COLOUR_O, true>(pos, m) : putStoneAs<COLOUR_O, false>(pos, m);
}

void syncShapes(Position& pos) {
    StateRecord& top = *pos.current;
    // A virtual move's stone is not on the board yet: catching up now would
    // be lost when the move is completed.
    if (!shapesTracked || !top.shapesPending || top.virtualMove) return;
    // Record 0 is never pending (its stones count at once): the walk ends
    // there at the latest.
    StateRecord* base = &top;
    while (base->shapesPending) --base;
    // Every slot first, so that each cell's shape is read from its final
    // slots; then the shapes, in the same order as unmaking reverses.
    for (StateRecord* r = base + 1; r <= &top; ++r) refreshRecordShapeCodes(pos, *r);
    for (StateRecord* r = base + 1; r <= &top; ++r) updateRecordShapes(pos, *r, top);
    top.shapesPending = 0;
    top.shapeSyncBase = base;
}

void reset(Position& pos, uint32_t boardSize) {
    // Records above the current one are written whole (their head and both
    // threat lists) before they become current: initBoard clears record 0,
    // and the rest are left as they are, so that a new position touches only
    // the memory a game uses.
    pos.boardSize = boardSize;
    pos.stoneCount = 0;
    pos.yixinMode = 0;
    pos.blackColour = COLOUR_UNKNOWN;
    pos.rule = RULE_RENJU;
    for (auto& cellSlots : pos.slots)
        for (uint64_t& s : cellSlots) s = NO_PATTERN_SLOT;
    for (LineRecord& line : pos.lines) clearLine(line);
    pos.diagonals = DiagonalGeometry{};
    initBoard(pos);
}

void initBoard(Position& pos) {
    const uint32_t n = pos.boardSize;
    pos.stoneCount = 0;
    pos.sideToMove = 1;
    pos.nodes.store(0, std::memory_order_relaxed);
    pos.owner = nullptr;
    pos.current = &pos.states[0];
    std::memset(static_cast<void*>(&pos.states[0]), 0, sizeof(StateRecord));
    std::memset(pos.classes, 0, sizeof pos.classes);
    std::memset(pos.cells, 0, sizeof pos.cells);
    for (auto& cellSlots : pos.slots)
        for (uint64_t& s : cellSlots) s = NO_PATTERN_SLOT;
    std::memset(static_cast<void*>(pos.geometry), 0, sizeof pos.geometry);

    // Lines, slot references and the slots of the empty board; this also
    // fills the cell geometry of every on-board cell.
    buildLines(pos);
    // Every row: a larger board before this one must leave no empty cell
    // beyond the new edge.
    std::memset(pos.emptyMask, 0, sizeof pos.emptyMask);
    for (uint32_t x = 0; x < n; ++x) pos.emptyMask[x] = (1u << n) - 1;
    computeWeights(pos.weights, n);

    // Class pairs and shapes of the empty board (no Renju adjustment:
    // nothing stands); cells off the board have neither.
    StateRecord& r = pos.states[0];
    std::memset(pos.shapes, 0, sizeof pos.shapes);
    for (uint32_t x = 0; x < n; ++x)
        for (uint32_t y = 0; y < n; ++y) {
            const uint32_t c = cellIndex(x, y);
            const ClassPair pair{tableClassX(pos.slots[c]), tableClassO(pos.slots[c])};
            pos.classes[c] = pair;
            ++r.classCountX[pair.x];
            ++r.classCountO[pair.o];
            pos.shapes[c] = ShapePair{shapeX(pos.slots[c]), shapeO(pos.slots[c])};
        }
    recountShapeSums(pos, r.shapeSum);
    r.shapesPending = 0;
    r.shapeSyncBase = nullptr;
}

void recountShapeSums(const Position& pos, int32_t sums[2][2]) {
    const ShapeValues& valuesX = *shapeValuesX;
    const ShapeValues& valuesO = *shapeValuesO;
    sums[0][0] = sums[0][1] = sums[1][0] = sums[1][1] = 0;
    if (!shapesTracked) return;  // no shapes kept, none counted
    for (uint32_t x = 0; x < pos.boardSize; ++x)
        for (uint32_t y = 0; y < pos.boardSize; ++y) {
            const uint64_t* slots = pos.slots[cellIndex(x, y)];
            const uint16_t forX = shapeX(slots), forO = shapeO(slots);
            const ShapeValue ofX = valuesX.of[forX], ofO = valuesO.of[forO];
            sums[0][0] += ofX.own;
            sums[0][1] += ofX.other;
            sums[1][0] += ofO.own;
            sums[1][1] += ofO.other;
        }
}

void makeMove(Position& pos, MoveWord m) {
    pos.nodes.store(pos.nodes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    const uint64_t key = SIDE_KEY ^ ZobristKeys[m & ZOBRIST_INDEX_MASK] ^ pos.current->key;
    StateRecord& s = pushCopiedRecord(pos);
    pos.current = &s;
    s.key = key;
    putStone(pos, m);
    pos.sideToMove ^= 1;
}

void unmakeMove(Position& pos, MoveWord m) {
    StateRecord& s = *pos.current;
    pos.sideToMove ^= 1;
    if (s.virtualMove != 0) {
        --pos.current;
        return;
    }
    // What a sync asked for here changed (never a slot the stone itself
    // changed: those already held what the sync would read).
    if (s.shapeSyncBase) restoreSyncedShapes(pos, s);
    const uint32_t cell = cellOf(m);
    pos.cells[cell] = 0;
    pos.emptyMask[xOf(m)] |= 1u << yOf(m);
    for (int d = 0; d < DIRECTION_COUNT; ++d) {
        const CellLine& g = pos.geometry[cell][d];
        removeStoneFromLine(*g.line, g.position, s.updateMask[d], s.savedSlots[d]);
    }
    --pos.stoneCount;
    // Backwards, so that a cell listed twice ends with its oldest pair.
    for (uint32_t i = s.changedCount; i-- > 0;) pos.classes[s.changedCells[i]] = s.savedClasses[i];
    --pos.current;
}

void makeNullMove(Position& pos) {
    const uint64_t key = pos.current->key ^ SIDE_KEY;
    StateRecord& s = pushCopiedRecord(pos);
    s.key = key;
    s.virtualMove = 0;
    markStoneless(s);
    pos.current = &s;
    pos.sideToMove ^= 1;
}

void unmakeNullMove(Position& pos) {
    StateRecord& s = *pos.current;
    if (s.shapeSyncBase) restoreSyncedShapes(pos, s);
    --pos.current;
    pos.sideToMove ^= 1;
}

void makeVirtualMove(Position& pos, MoveWord m) {
    pos.nodes.store(pos.nodes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    StateRecord& s = *(pos.current + 1);
    s.key = SIDE_KEY ^ ZobristKeys[m & ZOBRIST_INDEX_MASK] ^ pos.current->key;
    s.virtualMove = m;
    markStoneless(s);
    pos.current = &s;
    pos.sideToMove ^= 1;
}

uint64_t keyAfter(const Position& pos, MoveWord m) {
    return pos.current->key ^ SIDE_KEY ^ ZobristKeys[m & ZOBRIST_INDEX_MASK];
}

void copyFrom(Position& pos, const Position& src, SearchThread* thread) {
    pos.current = &pos.states[0];
    std::memset(static_cast<void*>(&pos.states[0]), 0, sizeof(StateRecord));
    pos.rule = src.rule;
    selectRuleTables(pos, src.blackColour);
    pos.yixinMode = src.yixinMode;
    pos.boardSize = src.boardSize;
    initBoard(pos);
    StateRecord& r = pos.states[0];
    for (uint32_t i = 0; i < src.stoneCount; ++i) {
        const MoveWord w = src.history[i];
        r.key ^= ZobristKeys[w & ZOBRIST_INDEX_MASK];
        putStone(pos, w);
    }
    pos.owner = thread;
    pos.sideToMove = src.sideToMove;
    r.eval = 0;
    if (pos.sideToMove == 0) r.key ^= SIDE_KEY;
}

namespace {

// Board size of a picture: 2 characters per cell, N x N cells.
uint32_t pictureBoardSize(size_t length) {
    for (uint32_t n = MIN_BOARD_SIZE; n <= MAX_BOARD_SIZE; ++n)
        if (length == 2 * n * n) return n;
    return 0;
}

}  // namespace

std::vector<MoveWord> setupFromPicture(Position& pos, std::string_view text, uint32_t blackColour, GameRule rule) {
    const uint32_t n = pictureBoardSize(text.size());
    pos.boardSize = n;
    initBoard(pos);
    pos.rule = rule;
    selectRuleTables(pos, blackColour);
    std::vector<MoveWord> marks;
    for (uint32_t x = 0; x < n; ++x)
        for (uint32_t y = 0; y < n; ++y) {
            switch (text[1 + 2 * x + 2 * n * y]) {
                case 'X': putStone(pos, makeMoveWord(COLOUR_X, x, y)); break;
                case 'O': putStone(pos, makeMoveWord(COLOUR_O, x, y)); break;
                case '!': marks.push_back(makeMoveWord(COLOUR_X, x, y)); break;
                case '?': marks.push_back(makeMoveWord(COLOUR_O, x, y)); break;
                default: break;
            }
        }
    StateRecord& r = pos.states[0];
    r.eval = 0;
    if (pos.sideToMove == 0) r.key ^= SIDE_KEY;
    return marks;
}

// The shape values change with the variant: the current record's sums are
// counted again with the new ones (a board with stones whose codes belong
// to the old variant is put again by the caller, which counts them anew).
void selectRuleTables(Position& pos, uint32_t colour) {
    pos.blackColour = colour;
    syncShapes(pos);  // the recount reads the slots' shape codes
    selectTableVariant(GameRule(pos.rule), colour);
    recountShapeSums(pos, pos.current->shapeSum);
}

void selectGameRule(Position& pos, GameRule rule) {
    pos.rule = rule;
    syncShapes(pos);  // the recount reads the slots' shape codes
    selectTableVariant(rule, pos.blackColour);
    recountShapeSums(pos, pos.current->shapeSum);
}

