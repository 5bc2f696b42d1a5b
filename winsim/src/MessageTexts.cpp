// The system's English message texts, as Wine gives them.
#include "Internal.h"

namespace winsim {

std::map<DWORD, std::string> DefaultMessageTexts() {
    return {
        {1, "Invalid function.\r\n"},
        {2, "File not found.\r\n"},
        {3, "Path not found.\r\n"},
        {4, "Too many open files.\r\n"},
        {5, "Access denied.\r\n"},
        {6, "Invalid handle.\r\n"},
        {8, "Not enough memory.\r\n"},
        {11, "Bad format.\r\n"},
        {13, "Invalid data.\r\n"},
        {14, "Out of memory.\r\n"},
        {15, "Invalid drive.\r\n"},
        {16, "Can't delete current directory.\r\n"},
        {17, "Not same device.\r\n"},
        {18, "No more files.\r\n"},
        {19, "Write protected.\r\n"},
        {21, "Not ready.\r\n"},
        {32, "Sharing violation.\r\n"},
        {33, "Lock violation.\r\n"},
        {39, "Disk full.\r\n"},
        {50, "Request not supported.\r\n"},
        {80, "File exists.\r\n"},
        {87, "Invalid parameter.\r\n"},
        {112, "Disk full.\r\n"},
        {120, "Call not implemented.\r\n"},
        {122, "Insufficient buffer.\r\n"},
        {123, "Invalid name.\r\n"},
        {126, "Module not found.\r\n"},
        {145, "Directory is not empty.\r\n"},
        {161, "Path is invalid.\r\n"},
        {183, "File already exists.\r\n"},
        {193, "Bad EXE format for %1.\r\n"},
        {203, "Environment variable not found.\r\n"},
        {234, "More data available.\r\n"},
        {259, "No more data available.\r\n"},
        {267, "Directory name invalid.\r\n"},
        {317, "Message 0x%1 not found in file %2.\r\n"},
        {998, "No access to memory location.\r\n"},
        {1008, "Nonexistent token.\r\n"},
        {1009, "Registry corrupt.\r\n"},
        {1010, "Invalid key.\r\n"},
        {1011, "Can't open registry key.\r\n"},
        {1012, "Can't read registry key.\r\n"},
        {1013, "Can't write registry key.\r\n"},
        {1018, "Key deleted.\r\n"},
        {1337, "Invalid SID.\r\n"},
        {1450, "No system resources.\r\n"},
    };
}

}  // namespace winsim
