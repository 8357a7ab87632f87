// The ACE and PHD tag writers and the tag clearing, on a small project read
// by the readers and given its sites by hand: whole files after an update,
// a second update, a clearing, and every fault that must leave the project
// as it was.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "contig.h"
#include "model_test.h"
#include "project_test.h"
#include "small_project.h"

namespace {

std::string AceTag(char const* type, long first, long last, char const* comment, std::string const& date) {
    std::string tag = std::string("\nCT{\nContig1 ") + type + " quorValix " + std::to_string(first) + " " +
                      std::to_string(last) + " " + date;
    if (*comment) tag += std::string("\nCOMMENT{\n") + comment + "\nC}";
    return tag + "\n}\n";
}

std::string PhdTag(char const* type, long first, long last, char const* comment, std::string const& date) {
    std::string tag = std::string("\nBEGIN_TAG\nTYPE: ") + type + "\nSOURCE: quorValix\nUNPADDED_READ_POS: " +
                      std::to_string(first) + " " + std::to_string(last) + "\nDATE: " + date;
    if (*comment) tag += std::string("\nBEGIN_COMMENT\n") + comment + "\nEND_COMMENT";
    return tag + "\nEND_TAG\n";
}

// The project after an update at `moment`, worked out by hand: the ACE
// file ends with one tag per detected SNP site, indel site and repeat;
// each PHD file of Contig1 gains its reads' tags in trace positions (r2 is
// complemented: base u of the alignment is PHD base 22 - u). s1 lies in a
// contig of one read and is not rewritten.
ProjectFiles Updated(time_t moment) {
    std::string ace = ProjectRun::Date("%y%m%d:%H%M%S", moment);
    std::string phd = ProjectRun::Date("%m/%d/%y %H:%M:%S", moment);
    ProjectFiles files = Originals();
    files.ace += AceTag("quorValixRank2", 6, 6, "96", ace) + AceTag("quorValixRank1", 16, 16, "99", ace) +
                 AceTag("indelSite", 14, 14, "", ace) + AceTag("repeat", 17, 21, "2-mer", ace);
    std::string end = "\nEND_SEQUENCE\n";
    std::string r1Dna = files.r1.substr(0, files.r1.find("END_DNA\n") + 8);
    files.r1 = r1Dna + foreignPhdTag.substr(0, foreignPhdTag.size() - 1) + PhdTag("heterozygoteCT", 6, 6, "97", phd) +
               PhdTag("homozygoteAA", 9, 9, "", phd) + PhdTag("changedGenotype", 16, 16, "homozygoteTT", phd) +
               PhdTag("homozygoteIndel", 14, 14, "", phd) + PhdTag("userIndel", 19, 19, "", phd) + end;
    std::string r2Dna = files.r2.substr(0, files.r2.find("END_DNA\n") + 8);
    files.r2 = r2Dna + PhdTag("homozygoteTT", 18, 18, "minor allele", phd) + PhdTag("homozygoteAA", 15, 15, "", phd) +
               PhdTag("changedGenotype", 9, 9, "homozygoteCC  minor allele", phd) +
               PhdTag("heterozygoteIndel", 11, 11, "2", phd) + PhdTag("heterozygoteIndel", 11, 11, "", phd) +
               PhdTag("dataNeeded", 1, 2, "", phd) + PhdTag("dataNeeded", 20, 21, "", phd) + end;
    std::string r3Dna = files.r3.substr(0, files.r3.find("END_DNA\n") + 8);
    files.r3 = r3Dna + PhdTag("dataNeeded", 1, 24, "", phd) + end;
    return files;
}

// A whole run of the writers: read, plant the sites, update.
CallResult Update(TestProject const& project, std::string const& flags = "", time_t moment = ProjectRun::Moment) {
    ProjectRun run(project, flags, moment);
    EXPECT_FALSE(run.start.failed) << run.start.messages;
    CallResult read = run.Read();
    if (read.failed) return read;
    PlantSites(run.assembly);
    CallResult update = Capture([&] {
        run.files.UpdateAceFile();
        run.files.UpdatePhdFiles();
    });
    update.messages = read.messages + update.messages;
    return update;
}

CallResult Clear(TestProject const& project, std::string const& flags = "") {
    ProjectRun run(project, "-clear " + flags);
    EXPECT_FALSE(run.start.failed) << run.start.messages;
    return Capture([&] { run.files.ClearTags(); });
}

// Nothing but the project's own files: no temporary file left anywhere.
void ExpectNoTemporaryFiles(TestProject const& project) {
    EXPECT_EQ(project.List("edit_dir"), "project.ace ");
    EXPECT_EQ(project.List("phd_dir"), "r1.phd.1 r2.phd.1 r3.phd.1 s1.phd.1 ");
}

class TagWriterTest : public testing::Test {
protected:
    void SetUp() override { WriteProject(project, Originals()); }
    TestProject project;
};

}  // namespace

TEST_F(TagWriterTest, UpdateWritesEveryTagAndKeepsTheRest) {
    chmod(project.Path("edit_dir/project.ace").c_str(), 0640);
    chmod(project.Path("phd_dir/r2.phd.1").c_str(), 0604);
    CallResult r = Update(project);
    ASSERT_FALSE(r.failed) << r.messages;
    ExpectSame(ReadProject(project), Updated(ProjectRun::Moment));
    EXPECT_EQ(project.Mode("edit_dir/project.ace"), 0640u);
    EXPECT_EQ(project.Mode("phd_dir/r2.phd.1"), 0604u);
    ExpectNoTemporaryFiles(project);
    std::string edit = project.Path("edit_dir/project.ace");
    EXPECT_NE(r.messages.find("Updating the ACE file " + edit + "\nUpdating the PHD files.\n"
                              "  Updating information for Contig1\n"),
              std::string::npos)
        << r.messages;
}

TEST_F(TagWriterTest, SecondRunReplacesItsTagsAndKeepsTagsAddedSince) {
    ASSERT_FALSE(Update(project).failed);
    // A user adds tags of other programs after the run.
    std::string userAceTag = "\nCT{\nContig1 comment consed 2 2 060102:101010\n}\n";
    std::string userPhdTag = "\nBEGIN_TAG\nTYPE: edit\nSOURCE: consed\nUNPADDED_READ_POS: 1 1\nEND_TAG\n";
    ProjectFiles first = ReadProject(project);
    project.Write("edit_dir/project.ace", first.ace + userAceTag);
    project.Write("phd_dir/r1.phd.1", first.r1.substr(0, first.r1.size() - 14) + userPhdTag + "\nEND_SEQUENCE\n");

    time_t later = ProjectRun::Moment + 86400 + 3661;
    CallResult r = Update(project, "", later);
    ASSERT_FALSE(r.failed) << r.messages;
    ProjectFiles expected = Updated(later);
    // The user's ACE tag stays where it was, before the new tags; the PHD
    // tag joins the kept tags.
    size_t tags = expected.ace.find("\nCT{\nContig1 quorValixRank2");
    expected.ace.insert(tags, userAceTag);
    size_t own = expected.r1.find("\nBEGIN_TAG\nTYPE: heterozygoteCT");
    expected.r1.insert(own, userPhdTag);
    ExpectSame(ReadProject(project), expected);
    ExpectNoTemporaryFiles(project);
}

TEST_F(TagWriterTest, ClearBringsBackTheOriginalBytes) {
    ProjectFiles original = ReadProject(project);
    ASSERT_FALSE(Update(project).failed);
    chmod(project.Path("edit_dir/project.ace").c_str(), 0644);
    CallResult r = Clear(project);
    ASSERT_FALSE(r.failed) << r.messages;
    EXPECT_EQ(WithoutProgress(r.messages), "Clearing Quorvalix tags\n\n");
    ExpectSame(ReadProject(project), original);
    // Cleared files are open to the owner's group.
    for (char const* name : {"edit_dir/project.ace", "phd_dir/r1.phd.1", "phd_dir/r3.phd.1", "phd_dir/s1.phd.1"})
        EXPECT_EQ(project.Mode(name), 0660u) << name;
    ExpectNoTemporaryFiles(project);
    // Clearing a cleared project changes nothing.
    ASSERT_FALSE(Clear(project).failed);
    ExpectSame(ReadProject(project), original);
}

// An ACE file that ends with its last read, as assemblers write it: after an
// update and a clearing it ends with that read's DS line, and the next run
// reads it.
TEST_F(TagWriterTest, ClearedProjectIsReadAgain) {
    std::string ace = originalAce.substr(0, originalAce.find("\nCT{\nContig1 comment"));
    ProjectFiles original = Originals();
    original.ace = ace + "\n";
    WriteProject(project, original);
    ASSERT_FALSE(Update(project).failed);
    ASSERT_FALSE(Clear(project).failed);
    EXPECT_EQ(project.Read("edit_dir/project.ace"), ace);
    ProjectRun run(project);
    CallResult read = run.Read();
    EXPECT_FALSE(read.failed) << read.messages;
}

// Header lines that begin like the keys of the other sections are header
// lines to the clearing too: they come back byte for byte.
TEST_F(TagWriterTest, ClearKeepsHeaderLinesThatLookLikeKeys) {
    ProjectFiles original = Originals();
    original.r1.insert(original.r1.find("\nBEGIN_COMMENT") + 1, "END_DNA_CHECKED: yes\n \t\n\nEND_SEQUENCE_NOTE: x\n");
    WriteProject(project, original);
    ASSERT_FALSE(Update(project).failed);
    ASSERT_FALSE(Clear(project).failed);
    ExpectSame(ReadProject(project), original);
}

TEST_F(TagWriterTest, UpdateAndClearTellTheirTagsApart) {
    // The update knows its tags by the source word as written, the clearing
    // by the third word in any case.
    std::string upper = "\nCT{\nContig1 polymorphism QUORVALIX 3 3 060102:101010\n}\n";
    std::string named = "\nCT{\nContig1 polymorphism consed 4 4 060102:101010\nCOMMENT{\nby quorValix \nC}\n}\n";
    std::string own = "\nCT{\nContig1 polymorphism quorValix 5 5 060102:101010\n}\n";
    // Another program's tag whose data line names the detector after its
    // source word is no tag of the detector's.
    std::string mentions = "\nCT{\nContig1 comment consed 6 6 060102:10101 quorValix 7 7\n}\n";
    project.Write("edit_dir/project.ace", originalAce + upper + named + own + mentions);
    ASSERT_FALSE(Update(project).failed);
    std::string updated = project.Read("edit_dir/project.ace");
    EXPECT_EQ(updated.substr(0, originalAce.size() + upper.size() + named.size() + mentions.size()),
              originalAce + upper + named + mentions);
    EXPECT_EQ(updated.find("polymorphism quorValix 5 5"), std::string::npos);
    ASSERT_FALSE(Clear(project).failed);
    EXPECT_EQ(project.Read("edit_dir/project.ace"), originalAce + named + mentions);
}

TEST_F(TagWriterTest, TagTypesFollowTheTagSettingAndRanks) {
    struct {
        char const* flags;
        std::string aceTag;  // the tag of the site at column 5 (score 96)
        std::string phdTag;  // r1's heterozygous call there (score 97)
    } const cases[] = {
        {"", AceTag("quorValixRank2", 6, 6, "96", "D"), PhdTag("heterozygoteCT", 6, 6, "97", "D")},
        {"-tag g -rank 5", AceTag("quorValixRank2", 6, 6, "2", "D"), PhdTag("heterozygoteCT", 6, 6, "2", "D")},
        {"-tag p", AceTag("polymorphism", 6, 6, "96", "D"), PhdTag("heterozygoteCT", 6, 6, "97", "D")},
        {"-tag p -rank", AceTag("polymorphism", 6, 6, "2", "D"), PhdTag("heterozygoteCT", 6, 6, "2", "D")},
        {"-tag r", AceTag("quorValixRank2", 6, 6, "96", "D"), PhdTag("quorValixRank2", 6, 6, "genotype CT", "D")},
    };
    std::string aceDate = ProjectRun::Date("%y%m%d:%H%M%S");
    std::string phdDate = ProjectRun::Date("%m/%d/%y %H:%M:%S");
    auto dated = [](std::string text, std::string const& date) { return text.replace(text.rfind(" D"), 2, " " + date); };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.flags);
        WriteProject(project, Originals());
        ASSERT_FALSE(Update(project, c.flags).failed);
        ProjectFiles now = ReadProject(project);
        EXPECT_NE(now.ace.find(dated(c.aceTag, aceDate)), std::string::npos) << now.ace;
        std::string phdTag = c.phdTag;
        phdTag.replace(phdTag.find("DATE: D"), 7, "DATE: " + phdDate);
        EXPECT_NE(now.r1.find(phdTag), std::string::npos) << now.r1;
    }
}

// A read of pads only, without a POLY file: no tag over bases it lacks.
TEST_F(TagWriterTest, ReadWithoutBasesGetsNoTags) {
    std::string ace = originalAce;
    ace.insert(ace.find("AF ref.REF"), "AF e U 5\n");
    ace.insert(ace.find("RD ref.REF"), "RD e 3 0 0\n***\n\nQA 1 3 1 3\nDS CHROMAT_FILE: e PHD_FILE: e.phd.1\n\n");
    project.Write("edit_dir/project.ace", ace);
    std::string empty = PhdText("e", "");
    project.Write("phd_dir/e.phd.1", empty);
    CallResult r = Update(project);
    ASSERT_FALSE(r.failed) << r.messages;
    EXPECT_EQ(project.Read("phd_dir/e.phd.1"), empty);
}

TEST_F(TagWriterTest, UpdateOffTouchesNothing) {
    ProjectFiles original = ReadProject(project);
    CallResult r = Update(project, "-update off");
    ASSERT_FALSE(r.failed) << r.messages;
    EXPECT_NE(r.messages.find("Not updating the ACE file.\nNot updating the PHD files.\n"), std::string::npos);
    ExpectSame(ReadProject(project), original);
}

// Own ACE tags that never close, or not in the shape the detector writes
// them: the rewrite stops before anything is replaced, instead of dropping
// the rest of the file, or the records and blocks after the tag.
TEST_F(TagWriterTest, OwnAceTagOfAnotherShapeStopsTheRewrite) {
    std::string const tag = "\nCT{\nContig1 polymorphism quorValix 5 5 060102:101010\n";
    std::string const own = tag + "COMMENT{\n96\nC}\n";
    std::string const foreign = "\nCT{\nContig1 comment consed 2 2 060102:101010\n}\n";
    long end = 2;  // the line of a tag after the original file
    for (char ch : originalAce) end += ch == '\n';
    long r3 = 2;   // of one before the record of r3
    for (char ch : originalAce.substr(0, originalAce.find("\nRD r3"))) r3 += ch == '\n';
    struct {
        std::string ace;
        long line;        // of the tag's "CT{" line
        bool readerFirst;  // the update's reader already stops
    } const cases[] = {
        {originalAce + own, end, true},  // cut off by the end of the file
        {originalAce + own + "} \n", end, false},
        {originalAce + own + "}\r\n", end, false},
        {originalAce + own + "}\t\n" + foreign, end, false},
        {originalAce + own + foreign, end, true},
        {std::string(originalAce).insert(originalAce.find("\nRD r3"), tag + "}x\n"), r3, false},
        {std::string(originalAce).insert(originalAce.find("\nRD r3"), tag + "\n"), r3, true},
        {std::string(originalAce).insert(originalAce.find("\nRD r3"), tag + "COMMENT{\n96\n"), r3, true},
        {std::string(originalAce).insert(originalAce.find("\nRD r3"), own), r3, true},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.ace.substr(c.ace.find(tag)));
        for (bool clear : {false, true}) {
            WriteProject(project, Originals());
            project.Write("edit_dir/project.ace", c.ace);
            ProjectFiles before = ReadProject(project);
            CallResult r = clear ? Clear(project) : Update(project);
            EXPECT_TRUE(r.failed);
            std::string message = !clear && c.readerFirst
                                      ? std::string("ERROR: invalid ACE file")
                                      : "ERROR: the quorValix tag on line " + std::to_string(c.line) + " of " +
                                            project.Path("edit_dir/project.ace") + " has no closing line \"}\"";
            EXPECT_NE(r.messages.find(message), std::string::npos) << r.messages;
            ExpectSame(ReadProject(project), before);
            ExpectNoTemporaryFiles(project);
        }
    }
}

TEST_F(TagWriterTest, DamagedPhdTagSectionStopsTheRun) {
    std::string cut = "\nBEGIN_TAG\nTYPE: homozygoteAA\nSOURCE: quorValix\nUNPADDED_READ_POS: 9 9\n\n";
    std::string unclosedForeign = "\nBEGIN_TAG\nTYPE: comment\nSOURCE: consed\n\n";
    for (std::string const& tags : {cut, cut + foreignPhdTag, unclosedForeign + foreignPhdTag}) {
        SCOPED_TRACE(tags);
        WriteProject(project, Originals());
        project.Write("phd_dir/r1.phd.1", PhdText("r1", smallConsensus, tags));
        ProjectFiles before = ReadProject(project);
        for (bool clear : {false, true}) {
            CallResult r = clear ? Clear(project) : Update(project);
            EXPECT_TRUE(r.failed);
            EXPECT_NE(r.messages.find("ERROR: a tag block in PHD file " + project.Path("phd_dir/r1.phd.1") +
                                      " has no END_TAG line."),
                      std::string::npos)
                << r.messages;
            EXPECT_EQ(project.Read("phd_dir/r1.phd.1"), before.r1);
            EXPECT_EQ(project.Read("phd_dir/r2.phd.1"), before.r2);
            ExpectNoTemporaryFiles(project);
        }
        // Without an update the file is only read: the run goes on.
        EXPECT_FALSE(Update(project, "-update off").failed);
    }
}

TEST_F(TagWriterTest, ClearChecksEveryPhdFileBeforeTouchingAny) {
    std::string edit = project.Path("edit_dir/project.ace");
    long line = 1;  // of r3's DS line
    for (char ch : originalAce.substr(0, originalAce.find("DS TEMPLATE: r3"))) line += ch == '\n';
    std::string named = "ERROR: the PHD file \"";
    std::string outside = "\" on line " + std::to_string(line) + " of " + edit + " lies outside the PHD directory";
    std::string r2 = project.Path("phd_dir/r2.phd.1");
    struct {
        std::string from, to;  // a change of the ACE file, if any
        std::string r2;        // r2's PHD file, when not as updated
        std::string message;
    } const cases[] = {
        {"PHD_FILE: r3.phd.1", "PHD_FILE: ../r3.phd.1", "", named + "../r3.phd.1" + outside},
        {"PHD_FILE: r3.phd.1", "PHD_FILE: ..", "", named + ".." + outside},
        {"PHD_FILE: r3.phd.1 TIME: Mon Jan  2 10:10:10 2006", "PHD_FILE:", "", named + outside},
        {"PHD_FILE: s1.phd.1", "PHD_FILE: s2.phd.1", "",
         "ERROR: can not find the file " + project.Path("phd_dir/s2.phd.1")},
        // A file that is no PHD file is not made into one, nor one with a tag
        // block cut off; and the files before it in the ACE file, the ACE
        // file itself first, keep their tags.
        {"", "", "not a PHD file\n", "ERROR: invalid PHD file " + r2 + ": no END_DNA line"},
        {"", "", PhdText("r2", r2Trace, "\nBEGIN_TAG\nTYPE: comment\nSOURCE: consed\n"),
         "ERROR: a tag block in PHD file " + r2 + " has no END_TAG line."},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.message);
        WriteProject(project, Updated(ProjectRun::Moment));
        if (!c.from.empty()) {
            std::string ace = project.Read("edit_dir/project.ace");
            ace.replace(ace.find(c.from), c.from.size(), c.to);
            project.Write("edit_dir/project.ace", ace);
        }
        if (!c.r2.empty()) project.Write("phd_dir/r2.phd.1", c.r2);
        ProjectFiles before = ReadProject(project);
        CallResult r = Clear(project);
        EXPECT_TRUE(r.failed);
        EXPECT_NE(r.messages.find(c.message), std::string::npos) << r.messages;
        ExpectSame(ReadProject(project), before);
        ExpectNoTemporaryFiles(project);
    }
}

// A NUL byte in a file that a rewrite makes anew would cut its line short:
// the update and the clearing stop before anything is replaced. Without an
// update the run only reads the PHD file and goes on.
TEST_F(TagWriterTest, NulByteStopsEveryRewrite) {
    std::string const nul(1, '\0');
    long aceLine = 1;
    for (char ch : originalAce.substr(0, originalAce.find("user note"))) aceLine += ch == '\n';
    std::string ace = originalAce;
    ace.replace(ace.find("user note"), 9, "user" + nul + "note");
    std::string r1 = Originals().r1;
    long phdLine = 1;
    for (char ch : r1.substr(0, r1.find("look here"))) phdLine += ch == '\n';
    r1.replace(r1.find("look here"), 9, "look" + nul + "here");
    struct {
        char const* file;
        std::string bytes;
        long line;
    } const cases[] = {{"edit_dir/project.ace", ace, aceLine}, {"phd_dir/r1.phd.1", r1, phdLine}};
    for (auto const& c : cases) {
        SCOPED_TRACE(c.file);
        for (bool clear : {false, true}) {
            WriteProject(project, Updated(ProjectRun::Moment));
            project.Write(c.file, c.bytes);
            ProjectFiles before = ReadProject(project);
            CallResult r = clear ? Clear(project) : Update(project, "", ProjectRun::Moment + 60);
            EXPECT_TRUE(r.failed);
            EXPECT_NE(r.messages.find("ERROR: line " + std::to_string(c.line) + " of " + project.Path(c.file) +
                                      " holds a NUL byte, which a rewrite would lose"),
                      std::string::npos)
                << r.messages;
            ExpectSame(ReadProject(project), before);
            ExpectNoTemporaryFiles(project);
        }
    }
    EXPECT_FALSE(Update(project, "-update off").failed);
}

// Files of temporary names already in both directories: this process's
// first name (a killed run of the same id, the same second), a name of
// another process and the name of older runs. Each is passed over, neither
// used nor removed, and the update and the clearing go through.
TEST_F(TagWriterTest, TemporaryFilesLeftBehindAreNeverUsed) {
    ProjectRun probe(project);
    std::string temp = probe.files.tempFile.String();
    std::string name = temp.substr(temp.rfind('/') + 1);
    std::string stamp = probe.files.runTime.GetString("%y%M%D%h%m%s").String();
    std::string const left[] = {name + "0", ".temp" + stamp + ".1.0", "temp" + stamp};
    for (char const* dir : {"edit_dir", "phd_dir"})
        for (std::string const& file : left) project.Write(std::string(dir) + "/" + file, "another run's bytes");
    for (bool clear : {false, true}) {
        SCOPED_TRACE(clear ? "clear" : "update");
        CallResult r = clear ? Clear(project) : Update(project);
        ASSERT_FALSE(r.failed) << r.messages;
        ExpectSame(ReadProject(project), clear ? Originals() : Updated(ProjectRun::Moment));
        for (char const* dir : {"edit_dir", "phd_dir"})
            for (std::string const& file : left)
                EXPECT_EQ(project.Read(std::string(dir) + "/" + file), "another run's bytes") << dir << "/" << file;
    }
    // Nothing else is left.
    auto listing = [&](std::vector<std::string> names) {
        names.insert(names.end(), std::begin(left), std::end(left));
        std::sort(names.begin(), names.end());
        std::string text;
        for (std::string const& n : names) text += n + " ";
        return text;
    };
    EXPECT_EQ(project.List("edit_dir"), listing({"project.ace"}));
    EXPECT_EQ(project.List("phd_dir"), listing({"r1.phd.1", "r2.phd.1", "r3.phd.1", "s1.phd.1"}));
}

TEST_F(TagWriterTest, ReadErrorIsNotTheEndOfTheFile) {
    // Reading this process's memory at address 0 fails with an I/O error.
    unlink(project.Path("edit_dir/project.ace").c_str());
    ASSERT_EQ(symlink("/proc/self/mem", project.Path("edit_dir/project.ace").c_str()), 0);
    for (bool clear : {false, true}) {
        ProjectRun run(project, clear ? "-clear" : "");
        ASSERT_FALSE(run.start.failed) << run.start.messages;
        CallResult r = Capture([&] {
            if (clear)
                run.files.ClearTags();
            else
                run.files.UpdateAceFile();
        });
        EXPECT_TRUE(r.failed);
        EXPECT_NE(r.messages.find("ERROR: can not read the file " + project.Path("edit_dir/project.ace")),
                  std::string::npos)
            << r.messages;
        EXPECT_EQ(project.List("edit_dir"), "project.ace ");
    }
    char target[64] = {0};
    ASSERT_GT(readlink(project.Path("edit_dir/project.ace").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "/proc/self/mem");
}

// A rewrite that runs out of disk space: a small file system for the edit
// or the PHD directory (mounting needs root; skipped otherwise).
TEST_F(TagWriterTest, FullDiskLeavesEveryFileAsItWas) {
    for (char const* dir : {"edit_dir", "phd_dir"}) {
        SCOPED_TRACE(dir);
        TestProject full;
        std::string mountPoint = full.Path(dir);
        if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "can not mount a small file system here";
        // A long foreign tag makes each rewrite larger than the space left.
        std::string note(40000, 'x');
        ProjectFiles files = Originals();
        if (std::string(dir) == "edit_dir")
            files.ace += "\nCT{\nContig1 comment consed 2 2 060102:101010\nCOMMENT{\n" + note + "\nC}\n}\n";
        else
            files.r2 = PhdText("r2", r2Trace, "\nBEGIN_TAG\nTYPE: comment\nSOURCE: consed\nBEGIN_COMMENT\n" + note +
                                                  "\nEND_COMMENT\nEND_TAG\n\n");
        WriteProject(full, files);
        for (bool clear : {false, true}) {
            CallResult r = clear ? Clear(full) : Update(full);
            EXPECT_TRUE(r.failed);
            std::string target = std::string(dir) == "edit_dir" ? "edit_dir/project.ace" : "phd_dir/r2.phd.1";
            EXPECT_NE(r.messages.find("ERROR: can not write file " + full.Path(target)), std::string::npos)
                << r.messages;
            ProjectFiles now = ReadProject(full);
            EXPECT_EQ(std::string(dir) == "edit_dir" ? now.ace : now.r2,
                      std::string(dir) == "edit_dir" ? files.ace : files.r2);
            ExpectNoTemporaryFiles(full);
        }
        umount(mountPoint.c_str());
    }
}

// Files the user may not write stop the run before anything is replaced
// (checked as an unprivileged user, for whom permissions hold).
TEST_F(TagWriterTest, ReadOnlyFileStopsTheRunBeforeAnyRewrite) {
    chmod(project.Root().c_str(), 0777);
    for (char const* dir : {"edit_dir", "phd_dir", "poly_dir"}) chmod(project.Path(dir).c_str(), 0777);
    struct {
        char const* readOnly;
        bool clear;
    } const cases[] = {{"phd_dir/r2.phd.1", false}, {"phd_dir/s1.phd.1", true}, {"edit_dir/project.ace", false},
                       {"edit_dir/project.ace", true}};
    for (auto const& c : cases) {
        SCOPED_TRACE(c.readOnly);
        WriteProject(project, Updated(ProjectRun::Moment));
        for (char const* name : {"edit_dir/project.ace", "phd_dir/r1.phd.1", "phd_dir/r2.phd.1", "phd_dir/r3.phd.1",
                                 "phd_dir/s1.phd.1", "poly_dir/r1.poly", "poly_dir/r2.poly", "poly_dir/s1.poly"})
            chmod(project.Path(name).c_str(), 0666);
        chmod(project.Path(c.readOnly).c_str(), 0444);
        ProjectFiles before = ReadProject(project);
        RunResult run = RunUnprivileged([&] {
            CallResult r = c.clear ? Clear(project) : Update(project, "", ProjectRun::Moment + 60);
            fputs(r.messages.c_str(), stderr);
            return r.failed ? 1 : 0;
        });
        if (run.status == ChildProcess::CannotDropRoot) GTEST_SKIP() << "could not run as an unprivileged user";
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find("ERROR: can not write to file " + project.Path(c.readOnly)), std::string::npos)
            << run.err;
        ExpectSame(ReadProject(project), before);
        ExpectNoTemporaryFiles(project);
    }
}

// Biopython's readers take every file the update wrote: the consensus tags
// in their contig with their positions and comments, each PHD file as one
// record with all its bases.
TEST_F(TagWriterTest, IndependentReadersReadTheRewrittenFiles) {
    if (RunProgram({"/usr/bin/python3", "-c", "import Bio"}, "/").status != 0) GTEST_SKIP() << "no Biopython";
    ASSERT_FALSE(Update(project).failed);
    project.Write("read.py",
                  "import sys\n"
                  "from Bio.Sequencing import Ace, Phd\n"
                  "ace = Ace.read(open(sys.argv[1]))\n"
                  "for contig in ace.contigs:\n"
                  "    print(contig.name, len(contig.reads))\n"
                  "    for tag in contig.ct or []:\n"
                  "        print(' ', tag.tag_type, tag.program, tag.padded_start, tag.padded_end, ' '.join(tag.comment))\n"
                  "for name in sys.argv[2:]:\n"
                  "    records = list(Phd.parse(open(name)))\n"
                  "    print(records[0].file_name, len(records), len(records[0].sites), ' '.join(records[0].sites[0]))\n");
    RunResult read = RunProgram({"/usr/bin/python3", "read.py", "edit_dir/project.ace", "phd_dir/r1.phd.1",
                                 "phd_dir/r2.phd.1", "phd_dir/r3.phd.1", "phd_dir/s1.phd.1"},
                                project.Root());
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out,
              "Contig1 4\n"  // the reference read is a read to Biopython
              "  comment consed 5 6 user note\n"
              "  quorValixRank2 quorValix 6 6 96\n"
              "  quorValixRank1 quorValix 16 16 99\n"
              "  indelSite quorValix 14 14 \n"
              "  repeat quorValix 17 21 2-mer\n"
              "Contig2 1\n"
              "r1 1 24 A 21 10\n"
              "r2 1 21 A 21 10\n"
              "r3 1 24 A 21 10\n"
              "s1 1 8 A 21 10\n");
}
