// Leftovers of downloads that never finished: temporary files in the cache folder, and cached
// files moved aside beside it whose deletion at restart could not be scheduled.
#pragma once

#include <string>

// What a download's temporary file is named after: GetTempFileNameW adds one to four
// hexadecimal digits and ".tmp".
constexpr wchar_t kDownloadTemporaryPrefix[] = L"dl";

// Deletes, once per cache folder and process, the download temporary files in `cacheFolder`
// and the files "FOLDER~NAME" beside it (FOLDER being the cache folder's own name) that were
// last written more than ten minutes ago. Plain files of one name only; nothing else, and
// nothing a link leads to, is touched.
void SweepCacheLeftovers(const std::u16string& cacheFolder);
