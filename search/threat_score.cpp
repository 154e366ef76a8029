#include "search/threat_score.h"

#include "movegen/threats.h"
#include "search/evaluate.h"
#include "search/tt.h"

int32_t threatScore(Position& pos) {
    const int32_t r = threatSearch(pos);
    if (r > 0) return SCORE_MATE - r;
    if (r < 0) return -SCORE_MATE - r;
    return evaluate(pos);
}
