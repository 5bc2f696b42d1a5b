// Text, path-text and command-line tools shared by both modes. They ask the system
// nothing but its code page and its lower case.
#ifndef KEST_SUPPORT_TOOLS_H
#define KEST_SUPPORT_TOOLS_H

#include <string>
#include <vector>

typedef std::vector<std::string> StringList;

// A result left unused on purpose; a comment beside the call says why.
template <typename Result>
inline void IgnoreResult(const Result&) {}

// ---------------------------------------------------------------------------
// Characters. Texts are in the system's code page, where a character may take two
// bytes and the second of them may have the code of a backslash or a bar.

// The next character after `p`, never beyond `end`: a lead byte right before the end
// does not carry the scan past it.
const char* NextCharacter(const char* p, const char* end);
// The text lower-cased by the system (CharLowerBuffA, the user's locale).
std::string LowerCase(const std::string& text);
// What no file or folder name may hold: the separators, the colon and the wildcards.
extern const char* const ForbiddenNameCharacters;
// What the directory search (FindFirstFileA) takes for wildcards: besides '*' and '?',
// also '<', '>' and '"'.
extern const char* const WildcardCharacters;
// Whether a character of the text (never the trail byte of one) is in the set.
bool HoldsCharacterOf(const std::string& text, const char* set);

// ---------------------------------------------------------------------------
// Path texts, read by character.
std::string FolderPart(const std::string& path);    // up to the last backslash or colon
std::string FileNamePart(const std::string& path);  // the rest
std::string AddBackslash(const std::string& text);
std::string RemoveBackslash(const std::string& text);

// ---------------------------------------------------------------------------
// Texts and command lines.

// 1-based position of the first occurrence of `sub` in `text`, ignoring case
// (ANSI lower-casing of the system); 0 when absent or when either text is empty.
int PosText(const std::string& sub, const std::string& text);

// The n-th (1-based) blank-, CR- or LF-separated token of `text`; a token that
// begins with a double quote runs to the next double quote. Empty when absent.
std::string ExtractToken(const std::string& text, int n);

// Each character of `text` found in `searchSet` (first occurrence, position p)
// is replaced by the character at position p of `replacementSet`.
std::string TranslateChars(const std::string& text, const std::string& replacementSet,
                           const std::string& searchSet);

// The decimal digits of a number ("0" for zero).
std::string DecimalText(unsigned long value);

// The text in double quotes.
std::string Quoted(const std::string& text);

// A path as it goes into a command line: in double quotes when it holds a blank, so
// that the system cannot take a shorter path ("C:\Program.exe") for it, or a character
// that cmd.exe treats specially (& | ( ) < > ^ % ! , ; =), so that cmd takes it whole.
std::string CommandPath(const std::string& path);

// Argument n (n >= 1) of a process command line by the system's argument rules
// (separators are codes 1 to 32, quoted stretches, empty leading quote pairs
// skipped, characters stepped with CharNextA). Argument 0 (the program's own name
// as written) is skipped; an argument beyond the last is empty. When the command
// line begins with `ownPath` unquoted (a path with blanks), that whole path is the
// program's name.
std::string CommandLineArgument(const char* commandLine, int n, const std::string& ownPath = "");

// Argument n of this process: 0 is the full path of the running module
// (GetModuleFileNameA), 1 and up come from GetCommandLineA.
std::string ProgramArgument(int n);

#endif
