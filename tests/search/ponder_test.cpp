// The ponder guess: a stored move of the child position is appended exactly
// as stored when a move of the child's list has its cell and colour, and
// only then; the position comes back unchanged either way.
#include "search/ponder.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "board/position.h"
#include "board/startup_tables.h"
#include "board/tables.h"
#include "movegen/root_moves.h"
#include "search/tt.h"
#include "support/board_drawing.h"
#include "support/board_snapshot.h"

namespace {

class PonderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        buildClassTable();
        pos = std::make_unique_for_overwrite<Position>().release();
    }
    static void TearDownTestSuite() { delete pos; }
    void SetUp() override {
        resize(TT, 1 << 16);
        clear(TT);
        // X's open two on row 7, O to answer after X extends it to (5,7).
        setupFromPicture(*pos, pictureFromRows({"", "", "", "", "", "", "", "......XX", "", "..........O"}, 15),
                         COLOUR_O);
        ASSERT_EQ(pos->sideToMove, 1);
    }
    void TearDown() override {
        clear(TT);
        selectTableVariant(COLOUR_X);
    }

    // The child's list after the root move.
    static std::vector<MoveWord> childList(MoveWord rootMove) {
        makeMove(*pos, rootMove);
        MoveList list;
        generateMoveList(*pos, list);
        unmakeMove(*pos, rootMove);
        std::vector<MoveWord> out;
        for (uint32_t i = 0; i < list.size; ++i) out.push_back(list.moves[i].move);
        return out;
    }

    static void storeMove(MoveWord rootMove, MoveWord move) {
        const uint64_t key = keyAfter(*pos, rootMove);
        const ProbeResult slot = probe(TT, key);
        store(TT, slot.slot, key, 0, BOUND_EXACT, 4, move, 0);
    }

    static Position* pos;
};

Position* PonderTest::pos = nullptr;

const MoveWord ROOT_MOVE = makeMoveWord(COLOUR_X, 5, 7);

TEST_F(PonderTest, AppendsAStoredMoveOfTheChildListWhateverItsUpperBits) {
    const std::vector<MoveWord> list = childList(ROOT_MOVE);
    ASSERT_FALSE(list.empty());
    const MoveWord listed = list.front();
    ASSERT_EQ(colourOf(listed), COLOUR_O);
    ASSERT_NE(listed >> 12, 0u);  // a threat word: direction, mask, level, class
    const MoveWord bare = listed & MOVE_MASK;
    const MoveWord otherBits = bare | FORCING_FLAG | (3u << 12) | (uint32_t(CLASS_FOUR) << THREAT_CLASS_SHIFT);
    ASSERT_NE(otherBits, listed);

    struct Case {
        const char* name;
        MoveWord stored;
        bool appended;
    };
    const Case cases[] = {
        {"the listed word itself", listed, true},
        {"cell and colour only", bare, true},
        {"other upper bits", otherBits, true},
        {"the same cell in the other colour", (bare & ~COLOUR_MASK) | COLOUR_X, false},
        {"a taken cell", makeMoveWord(COLOUR_O, 6, 7), false},
        {"the root move's own cell", makeMoveWord(COLOUR_O, 5, 7), false},
        {"an empty cell outside the list", makeMoveWord(COLOUR_O, 0, 0), false},
        {"no move", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear(TT);
        storeMove(ROOT_MOVE, c.stored);
        const BoardSnapshot before = takeSnapshot(*pos);
        RootMove rootMove;
        rootMove.pv = {ROOT_MOVE};
        EXPECT_EQ(extractPonderMove(rootMove, *pos), c.appended);
        std::vector<MoveWord> expected = {ROOT_MOVE};
        if (c.appended) expected.push_back(c.stored);
        EXPECT_EQ(rootMove.pv, expected);
        EXPECT_EQ(differencesFrom(before, *pos), "");
    }
}

TEST_F(PonderTest, WithoutATableEntryOrRootMoveThePvStaysAsItIs) {
    struct Case {
        const char* name;
        std::vector<MoveWord> pv;
        bool result;
    };
    const MoveWord reply = makeMoveWord(COLOUR_O, 4, 7);
    const Case cases[] = {
        {"a table miss", {ROOT_MOVE}, false},
        {"a table miss with a reply already known", {ROOT_MOVE, reply}, true},
        {"an empty pv", {}, false},
        {"a pv starting with 0", {0, reply}, false},
    };
    // The child's cluster is full of another key's entries, whose move the
    // child's list holds: a miss all the same.
    const MoveWord listed = childList(ROOT_MOVE).front();
    const uint64_t childKey = keyAfter(*pos, ROOT_MOVE);
    for (TTSlot& slot : clusterOf(TT, childKey)->entries) {
        TTEntry e{};
        e.move = listed;
        e.key32 = uint32_t(childKey >> 32) ^ 1;
        e.value = 0;
        e.bound = BOUND_EXACT;
        e.depth = 4;
        slot.save(e);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BoardSnapshot before = takeSnapshot(*pos);
        RootMove rootMove;
        rootMove.pv = c.pv;
        EXPECT_EQ(extractPonderMove(rootMove, *pos), c.result);
        EXPECT_EQ(rootMove.pv, c.pv);
        EXPECT_EQ(differencesFrom(before, *pos), "");
    }
}

}  // namespace
