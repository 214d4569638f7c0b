#pragma once

#include <QByteArray>

namespace lesnor::test {

// Small files built to make a careless reader do far more work than the file holds.

// Table "m" (Text "name", Memo "note"): row 0 stores a `memoBytes` long note as a chain of
// long-value rows; every one of the other `rows` - 1 rows carries a copy of row 0's
// long-value header, so all of them point at that one chain.
QByteArray sharedMemoDatabase(int rows, int memoBytes);

// `tables` user tables whose catalogue entries all name the definition of table "t0",
// and that definition continues over `extraPages` more definition pages after its own.
QByteArray longDefinitionChainDatabase(int tables, int extraPages);

} // namespace lesnor::test
