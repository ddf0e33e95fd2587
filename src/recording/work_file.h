// The file an encoder writes while it runs, beside its target so that filing it is a rename on
// one file system: a half-made file never takes a finished file's place.
#pragma once

#include <QString>

namespace tavelo {

// target + ".part".
QString workFileOf(const QString& target);

// Renames a complete work file over `target`. False with *error when it cannot; the work file
// is then kept.
bool replaceWithWorkFile(const QString& work, const QString& target, QString* error);

// Files a work file under folder/stem + extension, or the first free numbered name
// (stem001 + extension …) when that is taken: an existing file is never replaced. An empty work
// file is removed. The path it got, or empty (with *error unless the file was empty).
QString fileWorkFileAnew(const QString& work, const QString& folder, const QString& stem,
                         const QString& extension, QString* error);

}  // namespace tavelo
