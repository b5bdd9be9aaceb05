// Where the component itself is installed, found at run time: files it
// ships (the zip-code source's workgroup file) lie beside it.
#pragma once

#include <string>

namespace vdimpexp::support {

// The folder of the file that holds this code (the shared library, or the
// program it is linked into), without a trailing separator.
std::string ComponentDirectory();

}  // namespace vdimpexp::support
