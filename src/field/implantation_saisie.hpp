// The command-line parts of a stake-out: adding points (picked, or along
// drawing entities), setting up stations, and managing the obstacles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "field/implantation.hpp"

// "\nPoint a implanter [Select]" in a loop; the graphics of every point
// and station are erased when it ends. Returns how many points were added.
int ajouterPointsImplantation(chantierImplantation& c);

// The points an entity gives with "Select", named from the job's
// numbering (a point block keeps its own name). Empty for an entity that
// gives none; `message` then says why.
std::vector<observationImplantation> pointsDeLEntite(chantierImplantation& c, const ZcDbObjectId& id,
                                                     std::wstring& message);

// Station set-ups for the points of `ensemble` (identifiers), in a loop of
// the station and reference prompts.
void miseEnStationImplantation(chantierImplantation& c, std::vector<std::uint32_t> ensemble);

// The obstacle prompts.
void gererObstaclesImplantation(chantierImplantation& c);

// A named point of the project (the current table first, then the others):
// its name, X, Y, Z. False when no table holds that name.
bool pointDuProjet(const std::wstring& nom, unPoint& point);
// The survey point a block reference stands for. False for another entity.
bool pointDuBloc(const ZcDbObjectId& id, unPoint& point);
