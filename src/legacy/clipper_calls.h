// The two helpers the legacy import reads DBF fields with: a field's text,
// and a stored date rendered through a picture.
#pragma once

#include <string>

#include "legacy/dbf_library.h"

namespace vdimpexp::legacy {

// The field's content in the current record as UTF-8 text, decoded from the
// table's code page. A fixed field's text is exactly as many characters as
// the field is wide, filler spaces kept (no trimming). A memo field's is the
// text its memo file holds for the record, as long as that text is: empty
// when it has none or it cannot be read (CurrentFieldContent). NUL bytes,
// which some writers pad numbers and empty fields with, read as spaces.
// Binary fields (integers, ...) come back as their bytes read as text. Empty
// text for field 0 and when the table has no current record.
std::string FieldText(FieldHandle field);
// The same into `text`, whose storage is reused: a run over a table's records
// decodes every field without allocating.
void FieldText(FieldHandle field, std::string& text);

// Renders the stored date `date_text` ("CCYYMMDD") through `picture` into
// `result`, which ends up exactly as long as `picture`; e.g. "19990315" and
// "MM/DD/CCYY" give "03/15/1999". A blank or invalid stored date gives the
// picture with its date letters blanked, which reads as no date.
void FormatDbfDate(const std::string& date_text, std::string& result,
                   const std::string& picture);

}  // namespace vdimpexp::legacy
