// The four dye channels of a trace and the base letters that name them, in
// the order every file of the suite keeps them: A, C, G, T.
#ifndef SUPPORT_BASECHANNEL_H
#define SUPPORT_BASECHANNEL_H

// The letter of each channel.
char const ChannelLetters[] = "ACGT";

// The channel of a base letter: 0 to 3 for A, C, G, T (upper case only),
// -1 for any other character.
inline int BaseChannel(char base) {
    switch (base) {
    case 'A': return 0;
    case 'C': return 1;
    case 'G': return 2;
    case 'T': return 3;
    default: return -1;
    }
}

// The channels a mixed-base letter names, bit k for channel k (A = 1,
// C = 2, G = 4, T = 8), in either case; 0 for any other letter. N is no
// mixture: it is the base caller's refusal to call.
inline unsigned MixedChannels(char letter) {
    switch (letter) {
    case 'R': case 'r': return 1 | 4;
    case 'Y': case 'y': return 2 | 8;
    case 'K': case 'k': return 4 | 8;
    case 'M': case 'm': return 1 | 2;
    case 'S': case 's': return 2 | 4;
    case 'W': case 'w': return 1 | 8;
    case 'B': case 'b': return 2 | 4 | 8;
    case 'D': case 'd': return 1 | 4 | 8;
    case 'H': case 'h': return 1 | 2 | 8;
    case 'V': case 'v': return 1 | 2 | 4;
    default: return 0;
    }
}

#endif
