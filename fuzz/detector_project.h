// The detector's project-file component opened to the fuzz targets of its
// readers, and the small assembly their PHD and POLY inputs belong to.
#ifndef FUZZ_DETECTOR_PROJECT_H
#define FUZZ_DETECTOR_PROJECT_H

#include <string>
#include <vector>

#include "contig.h"
#include "files.h"
#include "parameters.h"

class ProjectFiles : public Files {
public:
    // The reference identifier ".REF" and tag types that make sites:
    // "verified" and "both" verified sites, "polymorphism" and "both" manual
    // SNP sites, "indel" manual indels, "genotype" manual genotypes.
    ProjectFiles();
    void Use(Assembly& model, std::string const& ace, std::string const& phd, std::string const& poly);

private:
    Parameters settings;
};

// The component of one run, kept for many: Restart gives back every member
// that reading the settings file and resolving the paths set, as a new
// component has them (a new one per input would cost two large buffers).
class RunFiles : public Files {
public:
    void Restart();
    // The lowest score of a rank from 1 to 5.
    long Threshold(long rank) const { return rankThresholds[rank - 1]; }

private:
    static RunFiles const& Pristine();
};

// The start of a run in the working folder, as far as the project paths:
// the start-up settings, the settings file, the command line (when given)
// and the paths. Unless it was refused, the settings must lie in their
// ranges and every score must have a rank from 1 to 6. A rank limit from 1
// to 5 takes the score limit from its rank's threshold, which may be any
// int: one above 99 reports nothing, one below 0 acts as 0.
void StartRun(Str const* commandLine);

// A project in the working folder: edit_dir/ with the ACE file a.ace.1,
// phd_dir/ and poly_dir/.
void MakeProject();
// A finding unless the project holds just that (and `settingsFile`, when
// named, beside it).
void CheckProject(char const* settingsFile);

// An ACE file of one contig C1 whose consensus is `bases`, with two reads
// of those bases: "f" forward and "r" complemented, named in their DS lines
// after the PHD files `forwardPhd` and `complementedPhd`.
std::string TwoReadAce(std::string const& bases, std::string const& forwardPhd, std::string const& complementedPhd);

// The first letters of the base lines of a PHD text (the text lines between
// the BEGIN_DNA line and the END_DNA line), as the reader takes them;
// unknown letters become n, and a text without base lines gives "n". With
// `positions`, the peak position of each base line (0 when it has none).
std::string BaseLetters(std::string const& text, std::vector<long>* positions = nullptr);

// What the readers promise of every site they made: the columns of
// consensus tags lie in their contig, manual genotypes name a read of the
// contig and a position in it.
void CheckSites(Assembly& model);

#endif
