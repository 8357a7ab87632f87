// Files::WriteNavFile: every SNP and indel site of the run as a one-base
// consensus region, for stepping through the sites in an assembly viewer.
#include <iostream>

#include "contig.h"
#include "fatalerror.h"
#include "files.h"
#include "interruptguard.h"
#include "parameters.h"

void Files::OpenOutput(Str const& path, InterruptGuard& guard) {
    guard.HoldWritten(path);
    if (writer.Open(path)) return;
    guard.Release();
    FatalError("ERROR: can not create the file ", path);
}

void Files::CloseOutput(Str const& path, InterruptGuard& guard) {
    if (writer.Close()) {
        guard.Release();
        return;
    }
    // Whatever reached the file is not the whole of it.
    guard.Remove();
    FatalError("ERROR: can not write file ", path);
}

void Files::WriteNavFile() {
    if (!parameters->DoNavFile()) return;
    std::cerr << "Writing the navigator file " << navFile << std::endl;
    InterruptGuard guard;
    OpenOutput(navFile, guard);
    writer.Append("TITLE: QUORVALIX  ");
    writer.Append(runTime.GetString("%M/%D/%y %h:%m:%s\n"));
    assembly->Begin();
    while (Contig* contig = assembly->GetNext()) {
        if (!contig->IsValid()) continue;
        TextSequence* consensus = contig->GetConsensusSequence();
        Str name = consensus->GetName();
        // The region of one consensus base, up to its comment.
        auto region = [&](MarkedSite* site) {
            long position = consensus->GetSequencePosition(site->GetPosition());
            writer.Append("\nBEGIN_REGION\nTYPE: CONSENSUS\nCONTIG: ");
            writer.Append(name);
            writer.Append("\nUNPADDED_CONS_POS: ");
            writer.AppendToken(position);
            writer.Append(position);
            writer.Append("\nCOMMENT: ");
        };
        contig->StartSnpSites();
        while (SnpSite* site = contig->GetSnpSite()) {
            region(site);
            writer.Append(static_cast<long>(GetScore(site->GetScore(), false)));
            writer.Append("\nEND_REGION\n");
        }
        contig->StartIndelSites();
        while (MarkedSite* site = contig->GetIndelSite()) {
            region(site);
            writer.Append("indel\nEND_REGION\n");
        }
    }
    CloseOutput(navFile, guard);
}
