#include "compiler/errors.h"

namespace sc {

const char* errorMeaning(int32_t number) {
  switch (number) {
    case err::None:
      return "no error";
    case err::RouteTooLong:
      return "route length above 1000000 m";
    case err::KmReferenceNotMultiple:
      return "a kilometre reference's start or end is not a multiple of 50";
    case err::RepetitionStart:
      return "signal repetition start is not a multiple of 50";
    case err::RepetitionEnd:
      return "signal repetition end is not a multiple of 50";
    case err::RepetitionCodes:
      return "signal repetition keyword holds neither \"4\" nor \"9\"";
    case err::IndicationBoardOccupied:
      return "indication board on an occupied cell";
    case err::ReductionOccupied:
      return "reduction point on an occupied cell";
    case err::StationPosition:
      return "station position is not a multiple of 50";
    case err::StationLength:
      return "station length is not a multiple of 100";
    case err::StationsReachBoards:
      return "the stations have reached the indication-board texts";
    case err::SignalNoPoint:
      return "no free cell and no reduction point in the two cells before a signal ahead of a "
             "warning board";
    case err::BandNotFree:
      return "no free cell in a band before a slowdown start";
    case err::SlowdownNoPoint:
      return "no free cell for a point inside or just after a slow slowdown";
    case err::OutOfRange:
      return "position beyond the end of the model";
    case err::SignalOccupied:
      return "signal on an occupied cell";
    case err::WarningOccupied:
      return "slowdown warning board on an occupied cell";
    case err::SlowdownStartOccupied:
      return "slowdown start on an occupied cell";
    case err::SlowdownEndOccupied:
      return "slowdown end on an occupied cell";
    case err::ApproachOccupied:
      return "one of the four cells before a warning board is occupied";
    case err::SpeedBoardOccupied:
      return "speed board on an occupied cell";
    case err::StationsTooClose:
      return "station starts less than 350 m after the previous one ends";
    case err::StopCellTooEarly:
      return "station stop cell would lie at cell 1 or before";
    case err::PlatformFailure:
      return "failure while reading the source texts";
    case err::NoLineDescription:
      return "no line description file";
    case err::NoGeneralSection:
      return "no \"[generale]\" in the line description";
    case err::BadCurve:
      return "curve keyword without a digit 1 to 6, or curve beyond metre 1000000";
    case err::MarkerSlotTaken:
      return "marker slot already in use";
    case err::CodeSlotTaken:
      return "verification code slot already in use";
    default:
      return "unknown error";
  }
}

bool isKnownError(int32_t number) {
  switch (number) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
    case 24:
    case 25:
    case 101:
    case 102:
    case 103:
    case 1250:
    case 1251:
      return true;
    default:
      return false;
  }
}

}  // namespace sc
