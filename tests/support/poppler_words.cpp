#include "support/poppler_words.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <regex>

namespace {

std::string Output(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  if (!pipe) return text;
  char buffer[4096];
  size_t read;
  while ((read = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) text.append(buffer, read);
  return text;
}

std::string Unescaped(std::string text) {
  const std::pair<const char*, const char*> entities[] = {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}};
  for (const auto& [from, to] : entities) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
      text.replace(at, std::strlen(from), to);
    }
  }
  return text;
}

}  // namespace

std::vector<PopplerWord> PopplerWords(const std::string& pdf, int page) {
  std::string p = std::to_string(page);
  std::string html = Output("pdftotext -bbox -f " + p + " -l " + p + " '" + pdf + "' - 2>/dev/null");
  static const std::regex kWord(
      R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re");
  std::vector<PopplerWord> words;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), kWord); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    words.push_back({Unescaped(m[5]), std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
  }
  return words;
}

std::vector<std::vector<PopplerWord>> PopplerLines(const std::vector<PopplerWord>& words) {
  std::vector<std::vector<PopplerWord>> lines;
  for (const PopplerWord& word : words) {
    double middle = (word.yMin + word.yMax) / 2;
    auto line = std::find_if(lines.begin(), lines.end(), [&](const std::vector<PopplerWord>& l) {
      return middle > l.front().yMin && middle < l.front().yMax;
    });
    if (line == lines.end()) {
      lines.push_back({word});
    } else {
      line->push_back(word);
    }
  }
  for (auto& line : lines) {
    std::sort(line.begin(), line.end(), [](const PopplerWord& a, const PopplerWord& b) { return a.xMin < b.xMin; });
  }
  std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.front().yMin < b.front().yMin; });
  return lines;
}

std::string PopplerRegionText(const std::string& pdf, double x, double y, double width, double height, int page) {
  std::string p = std::to_string(page);
  auto whole = [](double v) { return std::to_string(long(std::lround(v))); };
  std::string text = Output("pdftotext -f " + p + " -l " + p + " -x " + whole(x) + " -y " + whole(y) + " -W " +
                            whole(width) + " -H " + whole(height) + " '" + pdf + "' - 2>/dev/null");
  while (!text.empty() && (text.back() == '\n' || text.back() == '\f' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string ConvertWithLibreOffice(const std::string& flatDocument) {
  std::filesystem::path source(flatDocument);
  std::string folder = source.parent_path().string();
  std::string command = "soffice -env:UserInstallation=file://" + folder + "/lo-profile --headless --convert-to pdf --outdir '" +
                        folder + "' '" + flatDocument + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  std::string pdf = (source.parent_path() / source.stem()).string() + ".pdf";
  return std::filesystem::exists(pdf) ? pdf : std::string();
}
