// Real documents for the benchmarks, made by other programs: fetched once as Debian packages
// and cached in the build folder, so every run measures the same bytes.
#pragma once

#include <string>

// The first `pages` pages of the Chinese Debian reference manual (LaTeX through xdvipdfmx, with
// embedded CJK subsets, links and an outline), cut out with qpdf; empty when it could not be
// fetched (the reason is on stderr).
std::string RealManualPages(int pages);
// TikZ and pgf's manual (1,321 pages, pdfTeX with object streams and resources shared by
// every page), from Debian's texlive-pictures-doc; empty when it could not be fetched.
std::string PgfManual();
