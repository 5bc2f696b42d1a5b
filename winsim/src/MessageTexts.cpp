// The system's English message texts, as the platform gives them.
#include "Internal.h"

namespace winsim {

std::map<DWORD, std::string> DefaultMessageTexts() {
    return {
        {2, "The system cannot find the file specified.\r\n"},
    };
}

}  // namespace winsim
