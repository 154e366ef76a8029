// Move generation by threat class. The generators turn the class counts and
// threat lists that the position keeps after every move into candidate moves
// for the side to move, and narrow the choice as soon as either side holds a
// forcing threat (a five point, an open four, a four-three, a double three).
// They search nothing and score nothing.
//
// Four families, each written once as a template on the mover's colour
// (COLOUR_X or COLOUR_O) and on whether the mover is the restricted (black)
// colour; the untemplated overloads pick the variant from sideToMove and the
// position's restricted colour (under renju X exactly when blackColour is
// COLOUR_X, O for any other value, including COLOUR_UNKNOWN; under the other
// rules nobody is restricted):
//   generateThreatMoves      the threat stage of an ordinary node,
//   generateQuietMoves       the quiet stage of an ordinary node,
//   generateThreatResponses  the moves of a node that must answer a threat,
//   generateAllCandidates    every empty cell near the stones.
//
// What a caller may rely on:
//   - A generator writes from `out` onwards and returns the end of what it
//     wrote; it never allocates and never writes more than
//     MAX_GENERATED_MOVES entries. It fills only ScoredMove::move.
//   - Every move carries the mover's colour in bits 10-11. Moves copied from
//     a threat word keep its direction, key-cell mask, shift, level and
//     class; bare cells carry only cell and colour; the line-walk cells of
//     the threat responses carry cell, colour and direction.
//   - The same cell may come out more than once (once per threat word, once
//     more per key-cell expansion); consumers remove repeats.
//   - The restricted variants never return a cell whose class is 1
//     (forbidden) for either colour.
//   - On an empty board the quiet moves, all candidates and threat responses
//     give exactly the centre (N / 2, N / 2); the threat moves give nothing.
//   - Results depend only on the position as the last move left it.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "movegen/scored_move.h"

// Largest number of entries one generator call (or helper) can write,
// counting what a restricted variant writes before its filter drops moves.
// Size every array handed to a generator with it: a 400-entry list is not
// enough (a crowded board in the tests needs well over a thousand).
//
// Proof. Facts used: (a) a threat list holds at most one word per (cell,
// direction), so at most 4 words per cell and colour; (b) a word has at most
// 7 key cells (a 7-bit mask); (c) a word's class is the class of its cell;
// (d) a class-7 cell has exactly one four direction (code 9 or 10; the class
// rule admits no code 11 or 6 beside it), and such a four has exactly one
// completing cell, its only key cell (the tests check this over every
// pattern-table window). Charge each emitted move to a cell of the board:
//   - neighbourhood scans (quiet moves, all candidates, the scan of the
//     double-three defences): 1 per empty cell;
//   - a list's words as they are, as bare cells, or only those of level <= 2
//     or of one class: 4 per cell (a);
//   - words followed by their key cells: 4 * (1 + 7) = 32 per cell (a, b).
// The largest step is the answer to the opponent's four-three:
//   - the block batch: per opponent class-7 cell its four word with one key
//     cell and at most 3 three words with at most 7 key cells each,
//     2 + 3 * 8 = 26 (d);
//   - then either the own words as bare cells (4) and all candidates (1), or
//     the own level <= 2 cells (4);
//   - the line walk: it walks the batch moves of class 7 and level 2, which
//     per class-7 cell are the four word and its single key-cell copy (d),
//     each 4 steps both ways in 4 directions: 2 * 32 = 64.
// That is 26 + 4 + 1 + 64 = 95 per cell. Every other step is smaller: threat
// moves 4 + 4 per cell; own five, block five and open fours 4 per cell (32 in
// all with key cells, when there is a single open-four point); the answers
// to an opponent's open four and to an own four-three 4 + 4 per cell plus at
// most 28 key cells; the own double three 32 + 4 per cell (c: its class-1
// words lie on other cells); the double-three defences 32 + 4 + 1 per cell.
// A restricted variant filters each step in place and returns the first
// non-empty one, so at most one step's raw output is ever in the array.
// Hence at most 95 entries per cell of a 20 x 20 board.
constexpr uint32_t MAX_GENERATED_MOVES = 95 * MAX_STONES;

// The four families; Mover is COLOUR_X or COLOUR_O, Restricted tells whether
// the mover is the colour bound by the forbidden-move rule.
template <uint32_t Mover, bool Restricted>
ScoredMove* generateThreatMoves(const Position& pos, ScoredMove* out);
template <uint32_t Mover, bool Restricted>
ScoredMove* generateQuietMoves(const Position& pos, ScoredMove* out);
template <uint32_t Mover, bool Restricted>
ScoredMove* generateThreatResponses(const Position& pos, ScoredMove* out);
template <uint32_t Mover, bool Restricted>
ScoredMove* generateAllCandidates(const Position& pos, ScoredMove* out);

// The same for the side to move, variant chosen by sideToMove and the
// position's restricted colour.
ScoredMove* generateThreatMoves(const Position& pos, ScoredMove* out);
ScoredMove* generateQuietMoves(const Position& pos, ScoredMove* out);
ScoredMove* generateThreatResponses(const Position& pos, ScoredMove* out);
ScoredMove* generateAllCandidates(const Position& pos, ScoredMove* out);

// True when the side to move is the colour bound by the forbidden-move rule
// (never outside renju).
bool sideToMoveIsRestricted(const Position& pos);

// A cell is forbidden when its class is 1 for either colour.
inline bool isForbiddenCell(const Position& pos, uint32_t cell) {
    const ClassPair pair = pos.classes[cell];
    return pair.x == CLASS_FORBIDDEN || pair.o == CLASS_FORBIDDEN;
}

// Emits the key cells of a move taken from a threat word, lowest mask bit
// first: each is the word with its cell moved (k - shift) steps along its
// direction, every other bit kept.
ScoredMove* appendKeyCells(uint32_t move, ScoredMove* out);

// The key cell of the lowest set mask bit, as appendKeyCells would emit it
// (for a four: the cell that completes its five). A word without key cells
// is returned unchanged.
uint32_t firstKeyCell(uint32_t move);

// The mover's open-four points: nothing without one; with exactly one, each
// of its threat words followed by its key cells; with more, the words alone.
template <uint32_t Mover>
ScoredMove* collectOpenFourMoves(const Position& pos, ScoredMove* out);

// Answers to the opponent's double three: its double-three words as the
// mover's moves with their key cells, every own threat cell, then every
// neighbourhood cell where the mover makes a three in some direction.
// Nothing when the opponent has no double three.
template <uint32_t Mover>
ScoredMove* generateDoubleThreeDefences(const Position& pos, ScoredMove* out);

// True when the side to move has to answer a threat it cannot outrank: a
// four-three, open four, five point or five of the opponent, or a double
// three it can neither match nor meet with a four.
bool mustAnswer(const Position& pos);

// The class of the opponent's threat that the side to move leaves
// unanswered (10, 9, 8, 7, 6, or 1 for the restricted opponent's forbidden
// points), 0 when there is none.
int unansweredThreatClass(const Position& pos);

// True when the black colour makes two fours at the move's cell (fours in
// two directions, or two fours within one line).
bool isDoubleFourPoint(const Position& pos, uint32_t move);
