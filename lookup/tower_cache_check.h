// The start-up check of the tower cache: a file whose size is not a whole
// number of records was torn by an interrupted write or is not ours, and every
// record after the tear would be read misaligned, so it is deleted (with a
// warning in the log). A missing file is not an error. Called once, by the
// cell source holder's construction during static initialisation.
#ifndef KELVANE_LOOKUP_TOWER_CACHE_CHECK_H
#define KELVANE_LOOKUP_TOWER_CACHE_CHECK_H

void CheckTowerCacheFile();

#endif
