#include "reads.h"

static long Line(Sequence const& read, long u) { return read.GetComplement() ? read.GetLength() - u + 1 : u; }

Sequence* MakeRead(char const* name, std::string const& text, long offset, bool complement, int quality,
                   long called, long other) {
    Sequence* read = new Sequence;
    read->SetAttributes(name, offset, complement);
    read->SetSequence(text.c_str());
    read->SetQualityLimits(1, static_cast<long>(text.size()));
    std::string bases;
    for (char ch : text)
        if (ch != '*') bases += ch;
    long n = read->GetLength();
    SiteData data;
    data.Clear();
    for (long k = 1; k <= n; ++k) {
        data.quality = quality;
        data.peakPosition = 10 * k;
        read->SetPhdSite(static_cast<int>(k), data);
    }
    for (long u = 1; u <= n; ++u) {
        int channel = BaseChannel(bases[u - 1]);
        SetBase(*read, u,
                {channel == 0 ? called : other, channel == 1 ? called : other, channel == 2 ? called : other,
                 channel == 3 ? called : other});
    }
    return read;
}

void SetBase(Sequence& read, long u, Amplitudes amplitudes, char secondary, float ratio, int quality) {
    long line = Line(read, u);
    if (quality >= 0) {
        SiteData phd;
        phd.Clear();
        phd.quality = quality;
        phd.peakPosition = 10 * line;
        read.SetPhdSite(static_cast<int>(line), phd);
    }
    SiteData poly;
    poly.Clear();
    poly.base = secondary;
    poly.peakPosition = 10 * line;  // right under the called peak
    poly.calledArea = 1000;
    poly.uncalledArea = ratio * 1000;
    poly.channelAmplitudes[0] = amplitudes.a;
    poly.channelAmplitudes[1] = amplitudes.c;
    poly.channelAmplitudes[2] = amplitudes.g;
    poly.channelAmplitudes[3] = amplitudes.t;
    read.SetPolySite(static_cast<int>(u), poly);
}

Contig* MakeContig(char const* name, std::string const& consensus) {
    Contig* contig = new Contig;
    contig->GetConsensusSequence()->SetAttributes(name, 0, false);
    Str text(consensus.c_str());
    contig->SetConsensusSequence(text);
    return contig;
}
