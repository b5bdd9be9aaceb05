#include "legacy/cb_support.h"

#include "support/prompts.h"

namespace vdimpexp::legacy {

ContextHandle DbfContext = 0;
TableHandle DbfFile = 0;
std::int16_t DbfResult = 0;

bool InitDbfLibrary() {
  DbfContext = code4initVB();
  if (DbfContext == 0) return false;
  code4autoOpen(DbfContext, 0);
  return true;
}

void ReleaseDbfLibrary() { DbfResult = code4initUndo(DbfContext); }

std::int32_t CountDbfRecords(const std::string& path) {
  if (!InitDbfLibrary()) {
    support::ActivePrompts().Ask(support::MessageQuestion{.text = "problem"});
    return 0;
  }
  DbfFile = d4open(DbfContext, path);
  if (code4errorCode(DbfContext, 0) < 0) {
    DbfResult = code4close(DbfContext);
    ReleaseDbfLibrary();
    return 0;
  }
  const std::int32_t count = d4top(DbfFile) == 0 ? d4recCountDo(DbfFile) : 0;
  DbfResult = code4close(DbfContext);
  ReleaseDbfLibrary();
  return count;
}

bool DbfLibraryFailed() { return code4errorCode(DbfContext, 0) < 0; }

}  // namespace vdimpexp::legacy
