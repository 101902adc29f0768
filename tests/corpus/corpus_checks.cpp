#include "corpus/corpus_checks.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "support/pdf_fixtures.h"

namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

std::vector<CorpusFile> ReadCorpusList(const std::string& listPath) {
  static const std::set<std::string> kinds = {"tex", "office", "linearized", "objstreams", "updated", "signed"};
  std::vector<CorpusFile> files;
  std::ifstream list(listPath);
  std::string line;
  while (std::getline(list, line)) {
    std::istringstream words(line);
    CorpusFile file;
    if (words >> file.kind >> file.name && kinds.count(file.kind) != 0) files.push_back(file);
  }
  return files;
}

std::string CorpusTestName(const std::string& name) {
  std::string test = name;
  for (char& c : test) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return test;
}

QpdfVerdict CheckWithQpdf(const std::string& pdf) {
  QpdfVerdict verdict;
  std::string command = "qpdf --check " + Quoted(pdf) + " 2>&1; echo \"exit=$?\"";
  std::string output = RunCommand(command).output;
  size_t at = output.rfind("exit=");
  int code = at == std::string::npos ? 2 : std::atoi(output.c_str() + at + 5);
  verdict.rank = code == 0 ? 0 : code == 3 ? 1 : 2;
  std::istringstream lines(output.substr(0, at));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("WARNING") != std::string::npos || line.find("rror") != std::string::npos) {
      verdict.complaints += line + "\n";
    }
  }
  return verdict;
}

int PageCountByPoppler(const std::string& pdf) {
  std::string info = RunCommand("pdfinfo " + Quoted(pdf)).output;
  size_t at = info.find("\nPages:");
  return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 7);
}

std::vector<int> PagesToCompare(int pageCount, int edited) {
  std::set<int> pages;
  if (pageCount <= 10) {
    for (int i = 0; i < pageCount; ++i) pages.insert(i);
  } else {
    for (int i = edited + 1; i <= edited + 5 && i < pageCount; ++i) pages.insert(i);
    pages.insert(pageCount / 2);
    pages.insert(pageCount - 2);
    pages.insert(pageCount - 1);
  }
  pages.erase(edited);
  return {pages.begin(), pages.end()};
}

std::map<int, GreyImage> RenderPages(const std::string& pdf, const std::vector<int>& pages,
                                     const std::string& workFolder) {
  std::map<int, GreyImage> renders;
  static int serial = 0;
  // One pdftoppm run for each stretch of consecutive pages.
  for (size_t i = 0; i < pages.size();) {
    size_t j = i;
    while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
    std::string folder = workFolder + "/render-" + std::to_string(++serial);
    std::filesystem::create_directories(folder);
    RunCommand("pdftoppm -gray -cropbox -r 40 -f " + std::to_string(pages[i] + 1) + " -l " +
               std::to_string(pages[j] + 1) + " " + Quoted(pdf) + " " + Quoted(folder + "/page"));
    std::vector<std::string> made = FolderEntries(folder);
    if (made.size() == j - i + 1) {
      for (size_t k = 0; k < made.size(); ++k) {
        GreyImage picture = ReadGreyPgm(folder + "/" + made[k]);
        if (!picture.Empty()) renders[pages[i + k]] = std::move(picture);
      }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    i = j + 1;
  }
  return renders;
}

std::string DifferencesOutside(const GreyImage& before, const GreyImage& after, const PixelBox& allowed) {
  if (before.width != after.width || before.height != after.height) {
    return "the page is " + std::to_string(after.width) + "x" + std::to_string(after.height) + " pixels, was " +
           std::to_string(before.width) + "x" + std::to_string(before.height);
  }
  long count = 0;
  PixelBox seen{before.width, before.height, -1, -1};
  for (int y = 0; y < before.height; ++y) {
    for (int x = 0; x < before.width; ++x) {
      if (allowed.Contains(x, y) || before.At(x, y) == after.At(x, y)) continue;
      ++count;
      seen.left = std::min(seen.left, x);
      seen.top = std::min(seen.top, y);
      seen.right = std::max(seen.right, x);
      seen.bottom = std::max(seen.bottom, y);
    }
  }
  if (count == 0) return {};
  return std::to_string(count) + " pixels differ within (" + std::to_string(seen.left) + "," + std::to_string(seen.top) +
         ")-(" + std::to_string(seen.right) + "," + std::to_string(seen.bottom) + ") of " +
         std::to_string(before.width) + "x" + std::to_string(before.height);
}

bool DiffersInside(const GreyImage& before, const GreyImage& after, const PixelBox& box) {
  if (before.width != after.width || before.height != after.height) return true;
  for (int y = std::max(0, box.top); y <= std::min(box.bottom, before.height - 1); ++y) {
    for (int x = std::max(0, box.left); x <= std::min(box.right, before.width - 1); ++x) {
      if (before.At(x, y) != after.At(x, y)) return true;
    }
  }
  return false;
}

std::string PopplerPageText(const std::string& pdf, int index) {
  std::string page = std::to_string(index + 1);
  return RunCommand("pdftotext -f " + page + " -l " + page + " " + Quoted(pdf) + " -").output;
}

// The test signer is trusted by nobody: only the digest over the signed bytes is asked about.
std::string SignatureReport(const std::string& pdf) { return RunCommand("pdfsig -nocert " + Quoted(pdf), true).output; }
