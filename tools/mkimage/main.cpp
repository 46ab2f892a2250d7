// mkimage: builds a disk image holding given mail messages in a chosen layout, and writes
// the ground truth of where each message went and what a scan should find.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/mkimage/ground_truth.h"
#include "tools/mkimage/image_builder.h"
#include "tools/mkimage/layout_file.h"
#include "tools/mkimage/message_info.h"

using namespace mkimage;

namespace {

const char kUsage[] =
    "usage: mkimage [OPTIONS] -o IMAGE [MESSAGE...]\n"
    "\n"
    "Stores the MESSAGE files (and those of a layout file) in a new disk image IMAGE and\n"
    "writes the ground truth as JSON. The same seed and inputs give the same image.\n"
    "\n"
    "options:\n"
    "  -o, --output IMAGE      the image to write (whole 512-byte sectors)\n"
    "  -t, --truth FILE        the ground truth to write (default IMAGE.json)\n"
    "  -l, --layout NAME       how to store the MESSAGE files: aligned, unaligned, dbx, box,\n"
    "                          fragmented, or mixed (shared out over all five); default aligned\n"
    "  -f, --layout-file FILE  settings and regions from FILE (see the layout file format below)\n"
    "  -s, --seed N            the seed (default 1)\n"
    "      --filler KIND       zero, noise or mixed (either, per gap) between messages\n"
    "                          (default zero)\n"
    "      --gap MIN-MAX       filler sectors between neighbours (default 1-3)\n"
    "      --scatter N         in a store, 1 in N messages has later blocks elsewhere (0: never)\n"
    "      --crlf              convert lone LF line ends to CR LF before storing\n"
    "  -h, --help              show this help\n"
    "\n"
    "layout file, one item a line, '#' comments:\n"
    "  seed N | filler zero|noise|mixed | gap MIN MAX | scatter N | crlf\n"
    "  PLACEMENT FILE...       a region: dbx and box make one store of their files\n";

int Fail(const std::string& why) {
  std::fprintf(stderr, "mkimage: %s\n", why.c_str());
  return 1;
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "mkimage: %s\n%s", why.c_str(), kUsage);
  return 2;
}

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return !in.bad();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return bool(out);
}

bool ReadUnsigned(const std::string& text, uint64_t& out) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  out = std::stoull(text);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output, truth, layoutName = "aligned", layoutPath;
  std::vector<std::string> files;
  LayoutSpec cli;
  bool crlf = false, seedGiven = false, fillerGiven = false, gapGiven = false, scatterGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "-o" || a == "--output") {
      if (!value(output)) return Usage(a + " needs a file");
    } else if (a == "-t" || a == "--truth") {
      if (!value(truth)) return Usage(a + " needs a file");
    } else if (a == "-l" || a == "--layout") {
      if (!value(layoutName)) return Usage(a + " needs a name");
    } else if (a == "-f" || a == "--layout-file") {
      if (!value(layoutPath)) return Usage(a + " needs a file");
    } else if (a == "-s" || a == "--seed") {
      if (!value(v) || !ReadUnsigned(v, cli.nSeed)) return Usage(a + " needs a number");
      seedGiven = true;
    } else if (a == "--filler") {
      if (!value(v) || !ParseFiller(v, cli.filler)) return Usage("--filler is zero, noise or mixed");
      fillerGiven = true;
    } else if (a == "--gap") {
      const size_t dash = i + 1 < argc ? std::string(argv[i + 1]).find('-') : std::string::npos;
      if (!value(v) || dash == std::string::npos || !ReadUnsigned(v.substr(0, dash), cli.nGapMin) ||
          !ReadUnsigned(v.substr(dash + 1), cli.nGapMax) || cli.nGapMax < cli.nGapMin || cli.nGapMax > 4096)
        return Usage("--gap wants MIN-MAX sectors, at most 4096");
      gapGiven = true;
    } else if (a == "--scatter") {
      if (!value(v) || !ReadUnsigned(v, cli.nScatter)) return Usage("--scatter needs a number");
      scatterGiven = true;
    } else if (a == "--crlf") {
      crlf = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (output.empty()) return Usage("no output image given (-o)");
  if (truth.empty()) truth = output + ".json";

  // The layout file first, then the messages named on the command line; options override
  // the file's settings.
  LayoutFile lf;
  if (!layoutPath.empty()) {
    std::string text, err;
    if (!ReadFile(layoutPath, text)) return Fail("cannot read " + layoutPath);
    const size_t slash = layoutPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : layoutPath.substr(0, slash);
    if (!ParseLayoutFile(text, folder, lf, &err)) return Fail(layoutPath + ": " + err);
  }
  LayoutSpec spec = lf.spec;
  if (seedGiven) spec.nSeed = cli.nSeed;
  if (fillerGiven) spec.filler = cli.filler;
  if (gapGiven) spec.nGapMin = cli.nGapMin, spec.nGapMax = cli.nGapMax;
  if (scatterGiven) spec.nScatter = cli.nScatter;
  crlf = crlf || lf.bCrlf;

  std::vector<std::string> paths = lf.files;
  const size_t firstCli = paths.size();
  paths.insert(paths.end(), files.begin(), files.end());
  if (!files.empty()) {
    Placement p = Placement::Aligned;
    const bool mixed = layoutName == "mixed";
    if (!mixed && !ParsePlacement(layoutName, p)) return Usage("unknown layout " + layoutName);
    if (mixed) {
      const Placement all[] = {Placement::Aligned, Placement::Unaligned, Placement::Dbx, Placement::Box,
                               Placement::Fragmented};
      for (size_t k = 0; k < 5; ++k) {
        RegionSpec r;
        r.placement = all[k];
        for (size_t i = k; i < files.size(); i += 5) r.messages.push_back(firstCli + i);
        if (!r.messages.empty()) spec.regions.push_back(r);
      }
    } else {
      RegionSpec r;
      r.placement = p;
      for (size_t i = 0; i < files.size(); ++i) r.messages.push_back(firstCli + i);
      spec.regions.push_back(r);
    }
  }
  if (paths.empty()) return Usage("no messages given");

  std::vector<InputMessage> inputs;
  for (const std::string& path : paths) {
    InputMessage m;
    m.strFile = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (!ReadFile(path, m.strBytes)) return Fail("cannot read " + path);
    if (crlf) m.strBytes = ToCrlf(m.strBytes);
    inputs.push_back(std::move(m));
  }

  Image image;
  std::string err;
  if (!BuildImage(spec, inputs, image, &err)) return Fail(err);
  if (!WriteFile(output, image.strBytes)) return Fail("cannot write " + output);
  if (!WriteFile(truth, GroundTruthJson(image, inputs, spec))) return Fail("cannot write " + truth);
  size_t found = 0;
  for (const PlacedMessage& m : image.messages) found += m.bFound;
  std::printf("%s: %zu sectors, %zu messages, %zu expected to be found\n", output.c_str(),
              image.strBytes.size() / kSector, image.messages.size(), found);
  return 0;
}
