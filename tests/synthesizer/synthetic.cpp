#include "synthetic.h"

Channels IdealChannels(std::string const& letters) {
    static uint16_t const peak[13] = {32, 128, 320, 464, 576, 624, 640, 624, 576, 464, 320, 128, 32};
    std::size_t samples = 12 * letters.size() + 12;
    Channels channels;
    for (auto& channel : channels) channel.assign(samples, 0);
    for (std::size_t i = 0; i < letters.size(); ++i) {
        std::size_t ch = std::string("ACGT").find(letters[i]);
        if (ch == std::string::npos) continue;
        for (std::size_t k = 0; k < 13; ++k) channels[ch][12 * i + 6 + k] = peak[k];
    }
    return channels;
}

std::string ScfBytes(Channels const& channels) {
    std::size_t samples = channels[0].size();
    std::string file = ".scf";
    Append32(file, static_cast<uint32_t>(samples));
    Append32(file, 128);
    file += std::string(24, '\0');
    file += "2.00";
    Append32(file, 2);
    file.resize(128, '\0');
    for (std::size_t j = 0; j < samples; ++j)
        for (auto const& channel : channels) Append16(file, channel[j]);
    return file;
}

std::string AbifBytes(Channels const& channels) {
    uint32_t samples = static_cast<uint32_t>(channels[0].size());
    std::string file = "ABIF";
    Append16(file, 0);
    file += std::string(4, '\0');  // the directory entry: no name,
    Append32(file, 0);             // number 0,
    Append16(file, 0);             // type 0,
    Append16(file, 28);            // entries of 28 bytes,
    Append32(file, 6);             // six of them,
    Append32(file, 0);
    Append32(file, 128);  // from byte 128
    Append32(file, 0);
    file.resize(128, '\xff');
    auto entry = [&](std::string const& name, uint32_t number, uint16_t type, uint16_t size, uint32_t count,
                     uint32_t dataSize, std::string const& data) {
        file += name;
        Append32(file, number);
        Append16(file, type);
        Append16(file, size);
        Append32(file, count);
        Append32(file, dataSize);
        file += data;
        Append32(file, 0);
    };
    entry("FWO_", 1, 2, 1, 4, 4, "ACGT");
    entry("LANE", 1, 4, 2, 1, 2, std::string("\0\x50\0\0", 4));
    for (uint32_t k = 0; k < 4; ++k) {
        std::string offset;
        Append32(offset, 296 + k * 2 * samples);
        entry("DATA", 9 + k, 4, 2, samples, 2 * samples, offset);
    }
    for (auto const& channel : channels)
        for (uint16_t sample : channel) Append16(file, sample);
    return file;
}

SyntheticProject::SyntheticProject() : project(dir / "project") {
    MakeDir(project);
    for (char const* sub : {"edit_dir", "chromat_dir", "phd_dir", "poly_dir"}) MakeDir(project + "/" + sub);
}

RunResult SyntheticProject::Run(std::vector<std::string> args, std::string const& cwd,
                                std::vector<std::string> const& launcher) const {
    args.insert(args.begin(), WENDLARIC_PATH);
    args.insert(args.begin(), launcher.begin(), launcher.end());
    // The leak checker of a sanitizer build cannot run under a tracer.
    std::vector<std::string> env;
    if (!launcher.empty()) env.push_back("ASAN_OPTIONS=detect_leaks=0");
    return RunProgram(args, cwd.empty() ? project + "/edit_dir" : cwd, env);
}

std::string SyntheticProject::Written(std::vector<std::string> const& records, bool abi, bool poly) {
    std::string out;
    for (std::string const& name : records) {
        out += "\nWriting chromat file ../chromat_dir/" + name + (abi ? "" : ".scf") + "\n";
        out += "Writing ../phd_dir/" + name + ".phd.1\n";
        if (poly) out += "Writing ../poly_dir/" + name + ".poly\n";
    }
    return out + "\n";
}
