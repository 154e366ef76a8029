// Stand-in for the search driver while the engine has no search: answers a
// move request the way the driver will (the context marked as searching,
// the move placed on the game position, the flag cleared, then "x,y"), with
// the empty cell nearest the centre that the engine may play. Goes away when
// the search driver arrives.
#pragma once

struct GameContext;
struct SearchLimits;

void playStandInMove(GameContext& context, const SearchLimits& limits);
