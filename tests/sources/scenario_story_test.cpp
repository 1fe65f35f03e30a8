// The five texts of the built-in scenario tell one story: the train description runs the
// card's timetable 19 minutes late and makes good the card's recovery margins, every
// scheduled interval leaves time to run at the speed limits, the train's limits keep under
// the line's speed boards and change where the card shows them, and the card stops where
// the description stops. Each fault names the row that breaks the story.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iomanip>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "sources/writers.h"
#include "test_support.h"

namespace sc {
namespace {

using Text = std::vector<std::string>;

// The five texts as written.
struct Texts {
  Text line, train, card, order, notes;
};

Text linesOfFile(const std::filesystem::path& file) {
  const std::string bytes = test::slurp(file);
  Text out;
  for (size_t from = 0; from < bytes.size();) {
    size_t end = bytes.find("\r\n", from);
    if (end == std::string::npos) end = bytes.size();
    out.push_back(bytes.substr(from, end - from));
    from = end + 2;
  }
  return out;
}

Texts exportedTexts() {
  test::TempDir dir;
  const ScenarioFiles files{dir.path(), kScenarioName, kTrainNumber};
  dati_linea(files);
  dati_treno(files);
  dati_note(files);
  dati_rallentamenti(files);
  dati_scheda(files);
  return {linesOfFile(files.lineDescription()), linesOfFile(files.trainDescription()),
          linesOfFile(files.timetableCard()), linesOfFile(files.slowdownOrder()),
          linesOfFile(files.notes())};
}

// ---------------------------------------------------------------- reading the texts

std::string trim(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::vector<std::string> fieldsOf(const std::string& row) {
  std::vector<std::string> out{""};
  for (char ch : row) {
    if (ch == ',')
      out.emplace_back();
    else
      out.back() += ch;
  }
  for (std::string& f : out) f = trim(f);
  return out;
}

int number(const std::string& field) {
  return std::stoi(field);
}

struct SpeedRow {
  int position;
  int speed;
  std::string row;
};

struct Board {
  int position;
  int highest;  // the highest of the three speeds (both sides carry the same)
  std::string row;
};

struct Station {
  int position;
  int stopTime;                // seconds
  std::optional<int> minutes;  // the time of day, where the description gives one
  std::string name;
  std::string row;
};

struct Slowdown {
  int start;
  int speed;
  int length;
};

struct CardRow {
  int limit;              // Vel. Lim.
  std::optional<int> km;  // the kilometre in metres, where the row has one
  std::string name;
  std::optional<int> arrival, departure;  // minutes of the day
  double rec = 0;
  std::string recCell;
  std::string row;
};

// "12.41" as minutes of the day.
int clockMinutes(const std::string& hhmm) {
  return number(hhmm.substr(0, hhmm.find('.'))) * 60 + number(hhmm.substr(hhmm.find('.') + 1));
}

std::string clockText(double minutes) {
  std::ostringstream s;
  const int whole = static_cast<int>(std::floor(minutes));
  s << whole / 60 << "." << (whole % 60 < 10 ? "0" : "") << whole % 60;
  if (minutes != whole) s << "+" << (minutes - whole) * 60 << "s";
  return s.str();
}

// The scenario as the story sees it.
struct Story {
  std::vector<SpeedRow> speeds;
  std::vector<Board> boards;
  std::vector<Station> stations;
  std::vector<Slowdown> slowdowns;
  std::vector<CardRow> card;
  std::optional<int> clockSeconds;  // the start clock
  std::optional<int> delayMinutes;  // as the notes state it
  std::vector<std::string> orderRows;
};

Story read(const Texts& t) {
  Story s;
  for (const std::string& row : t.line) {
    const auto f = fieldsOf(row);
    if (f[0] == "indicatori_vmax" && f.size() >= 10)
      s.boards.push_back({number(f[1]), std::max({number(f[2]), number(f[3]), number(f[4])}), row});
  }
  for (const std::string& row : t.train) {
    const auto f = fieldsOf(row);
    if (f[0] == "velocita" && f.size() >= 3) s.speeds.push_back({number(f[1]), number(f[2]), row});
    if (f[0] == "rallentamento" && f.size() >= 4)
      s.slowdowns.push_back({number(f[1]), number(f[2]), number(f[3])});
    if (f[0] == "stazione" && f.size() >= 18) {
      Station st{number(f[1]), number(f[13]), std::nullopt, f[17], row};
      const int h = number(f[14]), m = number(f[15]);
      if (h != 0 || m != 0) st.minutes = h * 60 + m;
      s.stations.push_back(st);
    }
    if (row.starts_with("orologio")) {
      std::istringstream in(row.substr(row.find(',') + 1));
      int h = 0, m = 0, sec = 0;
      if (in >> h >> m >> sec) s.clockSeconds = (h * 60 + m) * 60 + sec;
    }
  }
  // The filled timetable rows: table rows whose first cell holds a speed.
  const std::vector<size_t> bars = {1, 7, 13, 24, 30, 59, 76, 82};
  for (const std::string& row : t.card) {
    std::vector<size_t> at;
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i] == '|') at.push_back(i);
    const std::string lim = trim(row.size() > 7 ? row.substr(2, 5) : "");
    if (at != bars || lim.empty() || !std::isdigit(static_cast<unsigned char>(lim[0]))) continue;
    CardRow c;
    c.limit = number(lim);
    const std::string km = trim(row.substr(14, 10));
    if (!km.empty())
      c.km = number(km.substr(0, km.find('.'))) * 1000 + number(km.substr(km.find('.') + 1));
    c.name = trim(row.substr(31, 28));
    const std::string time = trim(row.substr(60, 16));
    if (size_t dash = time.find(" - "); dash != std::string::npos) {
      c.arrival = clockMinutes(time.substr(0, dash));
      c.departure = clockMinutes(time.substr(dash + 3));
    } else if (!time.empty()) {
      c.arrival = c.departure = clockMinutes(time);
    }
    c.recCell = trim(row.substr(77, 5));
    if (!c.recCell.empty()) c.rec = std::stod(c.recCell);
    c.row = row;
    s.card.push_back(c);
  }
  for (const std::string& row : t.notes) {
    const std::string lead = "ritardo di ";
    if (size_t at = row.find(lead); at != std::string::npos)
      s.delayMinutes = number(row.substr(at + lead.size()));
  }
  for (const std::string& row : t.order) {
    // The filled order rows: table rows with an order number.
    if (row.size() == 82 && row[1] == '|' && std::isdigit(static_cast<unsigned char>(row[3])))
      s.orderRows.push_back(row);
  }
  return s;
}

// ---------------------------------------------------------------- the train's limits

// The train's limit in force at x: the last speed row at or before it.
const SpeedRow* speedRowAt(const Story& s, double x) {
  const SpeedRow* in = nullptr;
  for (const SpeedRow& r : s.speeds)
    if (r.position <= x) in = &r;
  return in;
}

int limitAt(const Story& s, double x) {
  const SpeedRow* r = speedRowAt(s, x);
  return r ? r->speed : 0;
}

// Seconds from a to b at the limits in force, with no acceleration: the train's limits and,
// over their length, the slowdowns.
double secondsToRun(const Story& s, int a, int b) {
  std::set<double> cuts{static_cast<double>(a), static_cast<double>(b)};
  for (const SpeedRow& r : s.speeds)
    if (r.position > a && r.position < b) cuts.insert(r.position);
  for (const Slowdown& d : s.slowdowns)
    for (int p : {d.start, d.start + d.length})
      if (p > a && p < b) cuts.insert(p);
  double seconds = 0;
  for (auto it = cuts.begin(); std::next(it) != cuts.end(); ++it) {
    const double from = *it, to = *std::next(it), mid = (from + to) / 2;
    double kmh = limitAt(s, mid);
    for (const Slowdown& d : s.slowdowns)
      if (mid >= d.start && mid < d.start + d.length) kmh = std::min<double>(kmh, d.speed);
    if (kmh <= 0) return INFINITY;
    seconds += (to - from) / (kmh / 3.6);
  }
  return seconds;
}

constexpr int kDelayMinutes = 19;
constexpr double kRunningMargin = 1.1;

const Station* stationNamed(const Story& s, const std::string& name) {
  for (const Station& st : s.stations)
    if (st.name == name) return &st;
  return nullptr;
}

const CardRow* cardRowNamed(const Story& s, const std::string& name) {
  for (const CardRow& c : s.card)
    if (c.name == name) return &c;
  return nullptr;
}

std::string quoted(const std::string& row) {
  return "\"" + row + "\"";
}

// Seconds as minutes with two decimals.
std::string minutesText(double seconds) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(2) << seconds / 60 << " min";
  return out.str();
}

// ---------------------------------------------------------------- the four rules

using Faults = std::vector<std::string>;

// Rule 1: 19 minutes late at Torvel; the card's Rec after Torvel add up to the 19 minutes, and
// every time of the description is the card's time plus the delay still outstanding.
Faults delayAndRecovery(const Story& s) {
  Faults out;
  if (s.delayMinutes != kDelayMinutes)
    out.push_back("the notes do not state a delay of " + std::to_string(kDelayMinutes) +
                  " minutes");
  if (s.card.empty() || s.stations.empty()) return {"no card rows or no stations"};
  const CardRow& origin = s.card.front();
  const Station& first = s.stations.front();
  if (origin.name != first.name || !origin.departure || !first.minutes)
    return {"the card does not begin with the first station's departure: " + quoted(origin.row)};
  if (*first.minutes != *origin.departure + kDelayMinutes)
    out.push_back("the service does not start " + std::to_string(kDelayMinutes) +
                  " minutes late: " + quoted(first.row) + " against " + quoted(origin.row));
  if (s.clockSeconds && *s.clockSeconds > *first.minutes * 60)
    out.push_back("the start clock is after the departure of " + quoted(first.row));

  std::map<std::string, double> recSoFar;  // Rec of the rows after the origin, up to a row
  double rec = 0;
  for (size_t i = 0; i < s.card.size(); ++i) {
    const CardRow& c = s.card[i];
    if (!c.recCell.empty() && c.recCell != "0.5" && c.recCell != "1.0" && c.recCell != "1.5" &&
        c.recCell != "2.0")
      out.push_back("Rec is not 0.5, 1.0, 1.5 or 2.0: " + quoted(c.row));
    if (i > 0) rec += c.rec;
    recSoFar[c.name] = rec;
  }
  if (std::abs(rec - kDelayMinutes) > 1e-9)
    out.push_back("the Rec after " + origin.name + " add up to " + minutesText(rec * 60) +
                  ", not " + std::to_string(kDelayMinutes));
  for (const Station& st : s.stations) {
    if (!st.minutes) continue;
    const CardRow* c = cardRowNamed(s, st.name);
    if (!c || !c->departure) {
      out.push_back("the card gives no time for " + quoted(st.row));
      continue;
    }
    const double expected = *c->departure + kDelayMinutes - recSoFar[st.name];
    if (std::abs(*st.minutes - expected) > 0.5)
      out.push_back(quoted(st.row) + " should be at " + clockText(expected) +
                    " (the card's time plus the delay still outstanding)");
  }
  const CardRow& end = s.card.back();
  const Station& last = s.stations.back();
  if (end.name != last.name || !end.arrival || !last.minutes || *end.arrival != *last.minutes)
    out.push_back("the card and the description do not end at the same time: " + quoted(end.row) +
                  " and " + quoted(last.row));
  return out;
}

// Rule 2: every scheduled interval between two timed points leaves 1.1 times the running time
// at the limits, plus the stops in between.
Faults intervalsLeaveTimeToRun(const Story& s) {
  Faults out;
  const Station* previous = nullptr;
  for (const Station& st : s.stations) {
    if (!st.minutes) continue;
    if (previous) {
      // The description's times are departures: the interval holds the stop at its end.
      const double need =
          kRunningMargin * secondsToRun(s, previous->position, st.position) + st.stopTime;
      const double have = (*st.minutes - *previous->minutes) * 60.0;
      if (have < need)
        out.push_back("description: " + minutesText(have) + " from " + previous->name + " to " +
                      quoted(st.row) + ", needs " + minutesText(need));
    }
    previous = &st;
  }
  const CardRow* before = nullptr;
  const Station* beforeStation = nullptr;
  for (const CardRow& c : s.card) {
    if (!c.arrival) continue;
    const Station* st = stationNamed(s, c.name);
    if (!st) {
      out.push_back("card: a timed row names no station of the description: " + quoted(c.row));
      continue;
    }
    if (before) {
      const double need = kRunningMargin * secondsToRun(s, beforeStation->position, st->position);
      const double have = (*c.arrival - *before->departure) * 60.0;
      if (have < need)
        out.push_back("card: " + minutesText(have) + " from " + before->name + " to " +
                      quoted(c.row) + ", needs " + minutesText(need));
      if ((*c.departure - *c.arrival) * 60 < st->stopTime)
        out.push_back("card: the stop is shorter than the description's " +
                      std::to_string(st->stopTime) + " s: " + quoted(c.row));
    }
    before = &c;
    beforeStation = st;
  }
  return out;
}

// Rule 3: the train's limit keeps under the highest speed of the board in force, changes only
// at a filled card row (within 100 m of its kilometre), and the card's Vel. Lim. is the limit
// in force at each row.
Faults limitsFollowBoardsAndCard(const Story& s) {
  Faults out;
  std::set<int> points;
  for (const SpeedRow& r : s.speeds) points.insert(r.position);
  for (const Board& b : s.boards) points.insert(b.position);
  for (int x : points) {
    const Board* board = nullptr;
    for (const Board& b : s.boards)
      if (b.position <= x) board = &b;
    const SpeedRow* limit = speedRowAt(s, x);
    if (board && limit && limit->speed > board->highest)
      out.push_back(quoted(limit->row) + ": " + std::to_string(limit->speed) + " km/h at " +
                    std::to_string(x) + " m is above the board " + quoted(board->row));
  }

  // Each change belongs to the nearest card row with a kilometre.
  std::vector<const CardRow*> kmRows;
  for (const CardRow& c : s.card)
    if (c.km) kmRows.push_back(&c);
  if (kmRows.empty()) return {"the card has no row with a kilometre"};
  std::map<const CardRow*, int> lastChangeAt;
  for (size_t i = 1; i < s.speeds.size(); ++i) {
    const SpeedRow& r = s.speeds[i];
    const CardRow* nearest =
        *std::min_element(kmRows.begin(), kmRows.end(), [&](const CardRow* a, const CardRow* b) {
          return std::abs(*a->km - r.position) < std::abs(*b->km - r.position);
        });
    if (std::abs(*nearest->km - r.position) > 100)
      out.push_back("the change " + quoted(r.row) + " has no card row within 100 m (nearest " +
                    quoted(nearest->row) + ")");
    else
      lastChangeAt[nearest] = std::max(lastChangeAt[nearest], r.position);
  }
  for (size_t i = 0; i < s.card.size(); ++i) {
    const CardRow& c = s.card[i];
    double x = 0;
    if (c.km) {
      // A row that shows a change shows the limit after it.
      x = lastChangeAt.contains(&c) ? std::max(*c.km, lastChangeAt[&c]) : *c.km;
    } else {
      // A row without a kilometre (a signal) shows the limit between its neighbours.
      std::optional<int> prev, next;
      for (size_t k = i; k-- > 0;)
        if (s.card[k].km) {
          prev = s.card[k].km;
          break;
        }
      for (size_t k = i + 1; k < s.card.size(); ++k)
        if (s.card[k].km) {
          next = s.card[k].km;
          break;
        }
      if (!prev || !next) {
        out.push_back("a row without a kilometre stands at an end of the card: " + quoted(c.row));
        continue;
      }
      x = (*prev + *next) / 2.0;
    }
    if (c.limit != limitAt(s, x))
      out.push_back("Vel. Lim. " + std::to_string(c.limit) + " where the limit is " +
                    std::to_string(limitAt(s, x)) + ": " + quoted(c.row));
  }
  return out;
}

// Rule 4: the card's arrival-departure rows are the stations where the train stops.
Faults stopPattern(const Story& s) {
  Faults out;
  for (size_t i = 1; i < s.stations.size(); ++i) {
    const Station& st = s.stations[i];
    const CardRow* c = cardRowNamed(s, st.name);
    if (!c) {
      out.push_back("the card has no row for " + quoted(st.row));
      continue;
    }
    const bool stops = st.stopTime != 0;
    const bool arrivalAndDeparture = c->arrival && c->arrival != c->departure;
    if (stops != arrivalAndDeparture)
      out.push_back(std::string(stops ? "the train stops at " : "the train passes ") +
                    quoted(st.row) + " but the card shows " + quoted(c->row));
  }
  return out;
}

// The slowdown order states the description's slowdowns, between the stations around them.
Faults orderMatchesSlowdowns(const Story& s) {
  Faults out;
  if (s.orderRows.size() != s.slowdowns.size())
    return {"the order has " + std::to_string(s.orderRows.size()) + " rows for " +
            std::to_string(s.slowdowns.size()) + " slowdowns"};
  for (size_t i = 0; i < s.slowdowns.size(); ++i) {
    const Slowdown& d = s.slowdowns[i];
    const std::string& row = s.orderRows[i];
    const std::string between = trim(row.substr(6, 28));
    const size_t dash = between.find(" - ");
    const Station* a =
        dash == std::string::npos ? nullptr : stationNamed(s, between.substr(0, dash));
    const Station* b =
        dash == std::string::npos ? nullptr : stationNamed(s, between.substr(dash + 3));
    if (!a || !b || a->position > d.start || b->position < d.start + d.length)
      out.push_back("the slowdown at " + std::to_string(d.start) +
                    " m does not lie between the stations of " + quoted(row));
    if (number(trim(row.substr(35, 12))) != d.start / 1000 ||
        number(trim(row.substr(48, 10))) != d.speed || number(trim(row.substr(59, 9))) != d.length)
      out.push_back("the order row does not state the slowdown at " + std::to_string(d.start) +
                    " m: " + quoted(row));
  }
  return out;
}

Faults allFaults(const Story& s) {
  Faults out;
  for (auto rule : {delayAndRecovery, intervalsLeaveTimeToRun, limitsFollowBoardsAndCard,
                    stopPattern, orderMatchesSlowdowns}) {
    Faults f = rule(s);
    out.insert(out.end(), f.begin(), f.end());
  }
  return out;
}

std::string listed(const Faults& faults) {
  std::string out;
  for (const std::string& f : faults) out += "\n  " + f;
  return out;
}

// ---------------------------------------------------------------- the built-in scenario

class ScenarioStory : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { texts_ = new Texts(exportedTexts()); }
  static void TearDownTestSuite() {
    delete texts_;
    texts_ = nullptr;
  }
  static const Texts& texts() { return *texts_; }

 private:
  static Texts* texts_;
};
Texts* ScenarioStory::texts_ = nullptr;

TEST_F(ScenarioStory, TheReadingFindsTheWholeScenario) {
  const Story s = read(texts());
  EXPECT_EQ(s.speeds.size(), 36u);
  EXPECT_EQ(s.boards.size(), 48u);
  EXPECT_EQ(s.stations.size(), 35u);
  EXPECT_EQ(s.slowdowns.size(), 2u);
  EXPECT_EQ(s.card.size(), 57u);
  EXPECT_EQ(s.orderRows.size(), 2u);
  EXPECT_EQ(s.delayMinutes, kDelayMinutes);
}

TEST_F(ScenarioStory, DelayIsMadeGoodByTheCardsRecoveryMargins) {
  const Faults f = delayAndRecovery(read(texts()));
  EXPECT_TRUE(f.empty()) << listed(f);
}

TEST_F(ScenarioStory, EveryScheduledIntervalLeavesTimeToRun) {
  const Faults f = intervalsLeaveTimeToRun(read(texts()));
  EXPECT_TRUE(f.empty()) << listed(f);
}

TEST_F(ScenarioStory, TrainLimitsKeepUnderTheBoardsAndChangeWhereTheCardShows) {
  const Faults f = limitsFollowBoardsAndCard(read(texts()));
  EXPECT_TRUE(f.empty()) << listed(f);
}

TEST_F(ScenarioStory, CardStopsWhereTheTrainStops) {
  const Faults f = stopPattern(read(texts()));
  EXPECT_TRUE(f.empty()) << listed(f);
}

TEST_F(ScenarioStory, SlowdownOrderStatesTheDescriptionsSlowdowns) {
  const Faults f = orderMatchesSlowdowns(read(texts()));
  EXPECT_TRUE(f.empty()) << listed(f);
}

// An edit that breaks the story is caught, and the fault names the row.
TEST_F(ScenarioStory, AnEditThatBreaksTheStoryNamesTheRow) {
  struct Edit {
    Text Texts::*text;
    std::string from;  // the row's beginning
    std::string to;    // the whole new row; empty: the row is dropped
    std::string named;
  } edits[] = {
      // A stop time that no longer follows the card's time and the recovery.
      {&Texts::train, "stazione,  344300,",
       "stazione,  344300,  12,  500,  1, 0, 1,  1,0,0,  2,1,0,    30,  15,20, 0, S. VITO "
       "DOLVERA",
       "S. VITO DOLVERA"},
      // A limit raised above the board and the card.
      {&Texts::train, "velocita,  344300,", "velocita,  344300,    90", "velocita,  344300,    90"},
      // A change moved away from its card row.
      {&Texts::train, "velocita,  151900,", "velocita,  150000,   160", "velocita,  150000,   160"},
      // A board lowered under the train's limit.
      {&Texts::line, "indicatori_vmax, 348900,",
       "indicatori_vmax, 348900,   60,   65,   70,  0,   60,   65,   70,  0",
       "indicatori_vmax, 348900,"},
      // A stop the card does not show.
      {&Texts::train, "stazione,  339650,",
       "stazione,  339650,  12,  500,  0, 0, 1,  1,0,0,  0,0,0,    30,  0,0, 0, PORTO ALBA",
       "PORTO ALBA"},
      // A Rec dropped: the margins no longer add up to the delay.
      {&Texts::card, " | 100 |     | 334.870  |",
       " | 100 |     | 334.870  |     | MEZZANA                    | 15.05 - 15.06  |     |",
       "add up to"},
      // A passing time the train cannot keep.
      {&Texts::card, " |  90 |     | 339.620  |",
       " |  90 |     | 339.620  |     | PORTO ALBA                 |      15.13     |     |",
       "PORTO ALBA"},
      // A slowdown the order places between the wrong stations.
      {&Texts::order, " | 2 |",
       " | 2 | MEZZANA - PORTO ALBA       |    324     |    60    |   200   |   -----    |",
       "MEZZANA - PORTO ALBA"},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.from + " -> " + e.to);
    Texts t = texts();
    Text& text = t.*e.text;
    auto it = std::find_if(text.begin(), text.end(),
                           [&](const std::string& row) { return row.starts_with(e.from); });
    ASSERT_NE(it, text.end());
    *it = e.to;
    const Faults f = allFaults(read(t));
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(std::any_of(f.begin(), f.end(), [&](const std::string& x) {
      return x.find(e.named) != std::string::npos;
    })) << listed(f);
  }
}

}  // namespace
}  // namespace sc
