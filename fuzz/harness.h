// What every fuzz target shares: one working folder per process on a
// RAM-backed file system, inputs written once to fixed paths in it, the
// console captured, and the checks that follow every input.
#ifndef FUZZ_HARNESS_H
#define FUZZ_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <vector>

// Called first by every target's LLVMFuzzerInitialize: makes the working
// folder of this process under $QUORVALIX_FUZZ_DIR, else /dev/shm, else
// /tmp (removed at exit), and makes it the current directory; HOME, PWD and
// TMPDIR point into it and QUORVALIX_PATH is unset, so that the programs
// find no settings file but the target's own and leave any temporary file
// where the checks see it. Relative paths among libFuzzer's arguments are
// made absolute first, and findings are written to the directory it was
// started in unless -artifact_prefix says otherwise.
void StartFuzzing(int* argc, char*** argv);
// The working folder (ends in '/').
std::string const& FuzzFolder();
// A folder inside the working folder (made when missing); ends in '/'.
std::string FuzzSubfolder(char const* name);

// Replaces the file with the bytes, in one write.
void WriteFuzzFile(std::string const& path, void const* data, std::size_t size);
void WriteFuzzFile(std::string const& path, std::string const& text);
std::string ReadFuzzFile(std::string const& path);
bool FuzzFileExists(std::string const& path);

// Reports a finding on standard error and aborts, so that libFuzzer keeps
// the input.
[[noreturn]] void Finding(std::string const& what);
// The names in a folder.
std::vector<std::string> FuzzEntries(std::string const& folder);
// A finding unless the folder holds exactly these entries.
void ExpectEntries(std::string const& folder, std::initializer_list<char const*> names);

// Standard output and standard error of the C++ streams go to one buffer,
// emptied by ClearConsole at the start of each input; a finding shows it.
void CaptureConsole();
void ClearConsole();
std::string ConsoleText();

// Runs one step of a program. A thrown int is the program's refusal: the
// answer is true, and the console must show its "ERROR" message. Any other
// exception is a finding.
template <class Step>
bool Refused(Step step) {
    try {
        step();
    } catch (int) {
        if (ConsoleText().find("ERROR") == std::string::npos) Finding("a refusal without an ERROR message");
        return true;
    } catch (char const* text) {
        Finding(std::string("the string class raised: ") + text);
    } catch (std::exception const& e) {
        Finding(std::string("exception: ") + e.what());
    } catch (...) {
        Finding("an unknown exception");
    }
    return false;
}

#endif
