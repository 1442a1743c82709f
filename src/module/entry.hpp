// The module's entry: the application messages of the host, the project of
// the current drawing, and the calls of the companion that owns the
// projects.
#pragma once

#include <cstdint>

class ZcDbDatabase;
class projetsTopo;

// Non-zero: the project is written into the drawing when it is saved.
extern int32_t sauvegardeActive;

// The host version the module was built for (2021 in the high 16 bits).
int32_t zcrxGetApiVersion();

// Handles an application message of the host; always returns 0.
int zcrxEntryPoint(int message, void* appId);

// Makes `projet` the current project and sets the save flag. With
// `chargerMaintenant` set, the project stored in `db` replaces its content.
void setSrcInfosTopo(ZcDbDatabase* db, projetsTopo* projet, int sauvegarde, int chargerMaintenant);

// Replaces the project stored in the working drawing by an empty record;
// the project in memory stays as it is.
void purgeInfosTopo();

namespace geltaro {

// What the module does when its library is loaded: the per-document data
// manager is made (and registered with the document manager) and the
// settings are read. Safe to call more than once.
void attacherModule();
// Library unload.
void detacherModule();

}  // namespace geltaro
