#include "front/settings.h"

#include "front/game_context.h"

// INFO gets its keys together with the search limits they feed.
void handleInfo(GameContext&, const char*) {}
