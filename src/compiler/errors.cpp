#include "compiler/errors.h"

#include <algorithm>

namespace sc {
namespace {

using R = Raiser;
using C = CellRule;

constexpr ErrorInfo kErrors[] = {
    {err::RouteTooLong, R::LineReader, false, C::None, "route length above 1000000 m"},
    {err::KmReferenceNotMultiple, R::TrainReader, false, C::None,
     "a kilometre reference's start or end is not a multiple of 50"},
    {err::RepetitionStart, R::LineReader, false, C::None,
     "signal repetition start is not a multiple of 50"},
    {err::RepetitionEnd, R::LineReader, false, C::None,
     "signal repetition end is not a multiple of 50"},
    {err::RepetitionCodes, R::LineReader, false, C::None,
     "signal repetition keyword holds neither \"4\" nor \"9\""},
    {err::IndicationBoardOccupied, R::LineReader, true, C::PointItem,
     "indication board on an occupied cell"},
    {err::ReductionOccupied, R::TrainReader, true, C::ReductionPoint,
     "reduction point on an occupied cell"},
    {err::StationPosition, R::TrainReader, true, C::None,
     "station position is not a multiple of 50"},
    {err::StationLength, R::TrainReader, true, C::None, "station length is not a multiple of 100"},
    {err::StationsReachBoards, R::TrainReader, false, C::None,
     "the stations have reached the indication-board texts"},
    {err::SignalNoPoint, R::PostPass, true, C::RecordedCell,
     "no free cell and no reduction point in the two cells before a signal ahead of a warning "
     "board"},
    {err::BandNotFree, R::PostPass, true, C::RecordedCell,
     "no free cell in a band before a slowdown start"},
    {err::SlowdownNoPoint, R::PostPass, true, C::RecordedCell,
     "no free cell for a point inside or just after a slow slowdown"},
    {err::OutOfRange, R::BothReaders, true, C::None, "position beyond the end of the model"},
    {err::SignalOccupied, R::TrainReader, true, C::PointItem, "signal on an occupied cell"},
    {err::WarningOccupied, R::TrainReader, true, C::WarningBoard,
     "slowdown warning board on an occupied cell"},
    {err::SlowdownStartOccupied, R::TrainReader, true, C::PointItem,
     "slowdown start on an occupied cell"},
    {err::SlowdownEndOccupied, R::TrainReader, true, C::SlowdownEnd,
     "slowdown end on an occupied cell"},
    {err::ApproachOccupied, R::TrainReader, true, C::ApproachCells,
     "one of the four cells before a warning board is occupied"},
    {err::SpeedBoardOccupied, R::LineReader, true, C::PointItem, "speed board on an occupied cell"},
    {err::StationsTooClose, R::TrainReader, true, C::None,
     "station starts less than 350 m after the previous one ends"},
    {err::StopCellTooEarly, R::TrainReader, false, C::None,
     "station stop cell would lie at cell 1 or before"},
    {err::PlatformFailure, R::Recovery, false, C::None, "failure while reading the source texts"},
    {err::NoLineDescription, R::LineReader, false, C::None, "no line description file"},
    {err::NoGeneralSection, R::LineReader, false, C::None,
     "no \"[generale]\" in the line description"},
    {err::BadCurve, R::LineReader, false, C::None,
     "curve keyword without a digit 1 to 6, or curve beyond metre 1000000"},
    {err::MarkerSlotTaken, R::Stamp, false, C::CellOne, "marker slot already in use"},
    {err::CodeSlotTaken, R::Stamp, false, C::CellOne, "verification code slot already in use"},
};

constexpr WarningInfo kWarnings[] = {
    {warn::UnknownKeyword, "a row whose keyword matches no rule of its reader is passed over"},
    {warn::UnknownSection, "a section header that the text does not have"},
    {warn::AfterEnd, "rows after \"[fine]\", which are still read"},
    {warn::NonAscending,
     "positions that do not ascend (curves, gradients, speed rows, stations, signals)"},
    {warn::RepeatedLength, "a second length row, which makes the cells anew"},
    {warn::Utf8, "a text field whose bytes form UTF-8, while the texts are Windows-1252"},
};

const char* cellRuleName(CellRule c) {
  switch (c) {
    case C::PointItem:
      return "p / 50 + 1";
    case C::WarningBoard:
      return "(p - 1200) / 50 + 1";
    case C::SlowdownEnd:
      return "(p + length) / 50 + 1";
    case C::ApproachCells:
      return "(p - 1200) / 50 and the three before";
    case C::ReductionPoint:
      return "p / 50";
    case C::RecordedCell:
      return "position / 50";
    case C::CellOne:
      return "cell 1";
    case C::None:
      break;
  }
  return "-";
}

}  // namespace

std::span<const ErrorInfo> errorTable() {
  return kErrors;
}

const ErrorInfo* errorInfo(int32_t number) {
  auto it = std::find_if(std::begin(kErrors), std::end(kErrors),
                         [number](const ErrorInfo& e) { return e.number == number; });
  return it == std::end(kErrors) ? nullptr : &*it;
}

const char* errorMeaning(int32_t number) {
  if (number == err::None) return "no error";
  const ErrorInfo* e = errorInfo(number);
  return e ? e->meaning : "unknown error";
}

bool isKnownError(int32_t number) {
  return number == err::None || errorInfo(number) != nullptr;
}

bool isRecordable(int32_t number) {
  const ErrorInfo* e = errorInfo(number);
  return e != nullptr && e->raiser != Raiser::Stamp;
}

const char* raiserName(Raiser r) {
  switch (r) {
    case R::LineReader:
      return "line reader";
    case R::TrainReader:
      return "train reader";
    case R::BothReaders:
      return "line or train reader";
    case R::PostPass:
      return "post-pass";
    case R::Recovery:
      return "recovery handler";
    case R::Stamp:
      return "stamp (shown as \" Errore n. \")";
  }
  return "";
}

std::string errorTableMarkdown() {
  std::string out = "| Number | Raised by | Meaning | Position | Cell |\n|---|---|---|---|---|\n";
  for (const ErrorInfo& e : kErrors) {
    out += "| " + std::to_string(e.number) + " | " + raiserName(e.raiser) + " | " + e.meaning +
           " | " + (e.recordsPosition ? "yes" : "no") + " | " + cellRuleName(e.cell) + " |\n";
  }
  return out;
}

std::string warningTableMarkdown() {
  std::string out = "| Option | Warns about |\n|---|---|\n";
  for (const WarningInfo& w : kWarnings) {
    out += std::string("| `-W") + w.name + "` | " + w.meaning + " |\n";
  }
  return out;
}

std::span<const WarningInfo> warningTable() {
  return kWarnings;
}

const WarningInfo* warningInfo(std::string_view name) {
  for (const WarningInfo& w : kWarnings) {
    if (name == w.name) return &w;
  }
  return nullptr;
}

}  // namespace sc
