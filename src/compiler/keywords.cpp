#include "compiler/keywords.h"

#include <algorithm>
#include <vector>

#include "compiler/code_page.h"

namespace sc {
namespace {

constexpr const char* kLineKeywords[] = {"lunghezza percorso",
                                         "progressiva chilometrica uno",
                                         "progressiva chilometrica due",
                                         "progressiva chilometrica tre",
                                         "sfondo uno",
                                         "sfondo due",
                                         "sfondo tre",
                                         "ripetizione segnali 4 codici",
                                         "ripetizione segnali 9 codici",
                                         "pendenza",
                                         "curvad1",
                                         "curvad2",
                                         "curvad3",
                                         "curvad4",
                                         "curvad5",
                                         "curvad6",
                                         "curvas1",
                                         "curvas2",
                                         "curvas3",
                                         "curvas4",
                                         "curvas5",
                                         "curvas6",
                                         "montagna",
                                         "indicatori_vmax",
                                         "cartello_indicatore"};
constexpr const char* kTrainKeywords[] = {"numero vetture", "percentuale massa frenata",
                                          "sabbia",         "orologio",
                                          "aderenza",       "velocita",
                                          "stazione",       "rallentamento",
                                          "segnale",        "abbattimento"};
constexpr const char* kLineSections[] = {"[generale]", "[curve]",       "[pendenze]", "[montagne]",
                                         "[cartelli]", "[indicazioni]", "[fine]"};
constexpr const char* kTrainSections[] = {"[generale]", "[aderenze]",      "[vel_limite]",
                                          "[stazioni]", "[rallentamenti]", "[segnali]",
                                          "[codici]",   "[fine]"};

// Optimal string alignment distance (adjacent transpositions count as one edit).
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

bool isHeader(std::string_view f) {
  return f.size() >= 2 && f.front() == '[' && f.back() == ']';
}

}  // namespace

std::span<const char* const> lineKeywords() {
  return kLineKeywords;
}
std::span<const char* const> trainKeywords() {
  return kTrainKeywords;
}
std::span<const char* const> lineSections() {
  return kLineSections;
}
std::span<const char* const> trainSections() {
  return kTrainSections;
}

std::optional<std::string> closestKeyword(std::string_view field,
                                          std::span<const char* const> candidates) {
  if (field.size() > 64) return std::nullopt;
  const std::string lowered = lowerCodePage(field);
  std::optional<std::string> best;
  size_t bestDistance = 0;
  for (const char* c : candidates) {
    std::string_view cand(c);
    size_t limit = std::max<size_t>(1, cand.size() / 4);
    size_t d = editDistance(lowered, cand);
    if (d <= limit && (!best || d < bestDistance)) {
      best = std::string(cand);
      bestDistance = d;
    }
  }
  return best;
}

void RowWatch::field(Build& b, const FieldStream& s, const std::string& field, bool matched) {
  if (!s.startsLine() || field.empty()) return;
  const std::string lowered = lowerCodePage(field);
  if (afterEnd_ && !afterEndTold_) {
    afterEndTold_ = true;
    b.warn(warn::AfterEnd,
           std::string("text after \"[fine]\"; its rows are still read as any other"), s.place());
  }
  if (isHeader(lowered)) {
    if (lowered == "[fine]") afterEnd_ = true;
    if (std::find(sections_.begin(), sections_.end(), lowered) == sections_.end() && !matched) {
      std::string msg = "unknown section header '" + field + "' in the " + textName_;
      if (auto near = closestKeyword(field, sections_)) msg += "; did you mean '" + *near + "'?";
      msg += " The header is passed over.";
      b.warn(warn::UnknownSection, msg, s.place());
    }
    return;
  }
  if (matched || containsExact(field, "-")) return;
  std::string msg = "unknown keyword '" + field + "' in the " + textName_;
  auto near = closestKeyword(field, keywords_);
  if (near && *near == lowered) {
    msg = "'" + field + "' is not read in this part of the " + textName_;
  } else if (near) {
    msg += "; did you mean '" + *near + "'?";
  }
  msg += " The row is passed over.";
  b.warn(warn::UnknownKeyword, msg, s.place());
}

void AscendingWatch::row(Build& b, int32_t p, const SourcePlace& place) {
  if (previous_ && p <= previousAt_) {
    b.warn(warn::NonAscending,
           std::string(what_) + " at " + std::to_string(p) +
               " m does not lie beyond the previous one at " + std::to_string(previousAt_) +
               " m; the rows are taken as they come",
           place, {Note{std::string("the previous ") + what_ + " row", *previous_}});
  }
  previous_ = place;
  previousAt_ = p;
}

void watchEncoding(Build& b, const std::string& what, const std::string& text,
                   const SourcePlace& place) {
  if (!looksUtf8(text)) return;
  b.warn(warn::Utf8,
         what + " '" + text +
             "' holds bytes that form UTF-8; the texts are Windows-1252, so each byte is stored "
             "as a character of its own",
         place, {Note{"give --input-encoding utf-8 to convert the texts to Windows-1252", {}}});
}

}  // namespace sc
