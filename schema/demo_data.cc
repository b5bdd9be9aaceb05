#include "schema/demo_data.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "schema/demo_random.h"
#include "schema/reference_database.h"
#include "schema/sqlite_util.h"

namespace vdimpexp::schema {

namespace {

using internal::DemoRandom;
using internal::ExecScript;
using internal::Statement;

// Every draw from the generator sits in its own statement or in an order
// the language fixes (chained calls, ?:, &&): the operands of "+" may be
// evaluated in either order, and the data must not depend on the compiler.

// ---------------------------------------------------------------------------
// Word lists. Names come with a few apostrophes, hyphens and long forms so
// that proper-casing, fitting and the 40-character Contact column get
// exercised by ordinary demo rows.

constexpr const char* kFirstNames[] = {
    "James",       "Mary",        "John",        "Patricia",  "Robert",    "Jennifer",
    "Michael",     "Linda",       "William",     "Elizabeth", "David",     "Barbara",
    "Richard",     "Susan",       "Joseph",      "Jessica",   "Thomas",    "Sarah",
    "Charles",     "Karen",       "Christopher", "Nancy",     "Daniel",    "Lisa",
    "Matthew",     "Betty",       "Anthony",     "Margaret",  "Mark",      "Sandra",
    "Donald",      "Ashley",      "Steven",      "Kimberly",  "Paul",      "Emily",
    "Andrew",      "Donna",       "Joshua",      "Michelle",  "Kenneth",   "Dorothy",
    "Kevin",       "Carol",       "Brian",       "Amanda",    "George",    "Melissa",
    "Edward",      "Deborah",     "Ronald",      "Stephanie", "Timothy",   "Rebecca",
    "Jason",       "Sharon",      "Jeffrey",     "Laura",     "Ryan",      "Cynthia",
    "Jacob",       "Kathleen",    "Gary",        "Amy",       "Nicholas",  "Shirley",
    "Eric",        "Angela",      "Jonathan",    "Helen",     "Stephen",   "Anna",
    "Larry",       "Brenda",      "Justin",      "Pamela",    "Scott",     "Nicole",
    "Brandon",     "Emma",        "Benjamin",    "Samantha",  "Samuel",    "Katherine",
    "Gregory",     "Christine",   "Frank",       "Debra",     "Alexander", "Rachel",
    "Raymond",     "Catherine",   "Patrick",     "Carolyn",   "Jack",      "Janet",
    "Dennis",      "Ruth",        "Jerry",       "Maria",     "Tyler",     "Heather",
    "Aaron",       "Diane",       "Jose",        "Virginia",  "Henry",     "Julie",
    "Adam",        "Joyce",       "Douglas",     "Victoria",  "Nathan",    "Olivia",
    "Peter",       "Kelly",       "Zachary",     "Christina", "Kyle",      "Lauren",
    "Walter",      "Joan",        "Harold",      "Evelyn",    "Jeremy",    "Judith",
    "Ethan",       "Megan",       "Carl",        "Cheryl",    "Keith",     "Andrea",
    "Roger",       "Hannah",      "Gerald",      "Martha",    "Mary-Kate", "Jean-Luc",
    "Bartholomew", "Maximiliano",
};

constexpr const char* kLastNames[] = {
    "Smith",        "Johnson",
    "Williams",     "Brown",
    "Jones",        "Garcia",
    "Miller",       "Davis",
    "Rodriguez",    "Martinez",
    "Hernandez",    "Lopez",
    "Gonzalez",     "Wilson",
    "Anderson",     "Thomas",
    "Taylor",       "Moore",
    "Jackson",      "Martin",
    "Lee",          "Perez",
    "Thompson",     "White",
    "Harris",       "Sanchez",
    "Clark",        "Ramirez",
    "Lewis",        "Robinson",
    "Walker",       "Young",
    "Allen",        "King",
    "Wright",       "Scott",
    "Torres",       "Nguyen",
    "Hill",         "Flores",
    "Green",        "Adams",
    "Nelson",       "Baker",
    "Hall",         "Rivera",
    "Campbell",     "Mitchell",
    "Carter",       "Roberts",
    "Gomez",        "Phillips",
    "Evans",        "Turner",
    "Diaz",         "Parker",
    "Cruz",         "Edwards",
    "Collins",      "Reyes",
    "Stewart",      "Morris",
    "Morales",      "Murphy",
    "Cook",         "Rogers",
    "Gutierrez",    "Ortiz",
    "Morgan",       "Cooper",
    "Peterson",     "Bailey",
    "Reed",         "Kelly",
    "Howard",       "Ramos",
    "Kim",          "Cox",
    "Ward",         "Richardson",
    "Watson",       "Brooks",
    "Chavez",       "Wood",
    "James",        "Bennett",
    "Gray",         "Mendoza",
    "Ruiz",         "Hughes",
    "Price",        "Alvarez",
    "Castillo",     "Sanders",
    "Patel",        "Myers",
    "Long",         "Ross",
    "Foster",       "Jimenez",
    "Powell",       "Jenkins",
    "Perry",        "Russell",
    "Sullivan",     "Bell",
    "Coleman",      "Butler",
    "Henderson",    "Barnes",
    "Gonzales",     "Fisher",
    "Vasquez",      "Simmons",
    "Romero",       "Jordan",
    "Patterson",    "Alexander",
    "Hamilton",     "Graham",
    "Reynolds",     "Griffin",
    "Wallace",      "Moreno",
    "West",         "Cole",
    "Hayes",        "Bryant",
    "Herrera",      "Gibson",
    "Ellis",        "Tran",
    "Medina",       "Aguilar",
    "Stevens",      "Murray",
    "Ford",         "Castro",
    "Marshall",     "Owens",
    "Harrison",     "Fernandez",
    "McDonald",     "Woods",
    "O'Brien",      "O'Connor",
    "D'Angelo",     "Smith-Jones",
    "MacGregor",    "Van Houten",
    "De la Cruz",   "Wojciechowski",
    "Papadopoulos", "Vanderschaaf-Montgomery",
};

constexpr const char* kCompanyWords[] = {
    "Pacific",  "Atlantic", "Summit",   "Valley",    "Harbor",   "Lakeside",
    "Golden",   "Pioneer",  "Liberty",  "Central",   "Northern", "Southern",
    "Eastside", "Westside", "Metro",    "Riverside", "Sunrise",  "Evergreen",
    "Keystone", "Frontier", "Heritage", "Precision", "Allied",   "Premier",
    "Coastal",  "Mountain", "Capitol",  "Crown",     "Eagle",    "Falcon",
};

constexpr const char* kCompanyKinds[] = {
    "Electronics",       "TV & Video",        "Appliance Repair",   "Sound & Vision",
    "Audio Visual",      "Service Center",    "Home Entertainment", "Office Systems",
    "Video Rentals",     "Music Supply",      "Radio & TV",         "Communications",
    "Computer Services", "Electronic Supply", "Satellite Systems",  "Business Machines",
};

constexpr const char* kCompanyEndings[] = {"", "", "", " Inc.", " Co.", " LLC", " Ltd."};

constexpr const char* kManufacturerKinds[] = {
    "Service Company", "National Service",   "Parts Division",
    "Factory Service", "Customer Relations",
};

constexpr const char* kStreetNames[] = {
    "Main",     "Oak",       "Pine",    "Maple",   "Cedar",    "Elm",      "Washington",
    "Lake",     "Hill",      "Park",    "Walnut",  "Sunset",   "Lincoln",  "Jackson",
    "Church",   "Highland",  "Madison", "Ridge",   "Franklin", "Spring",   "Chestnut",
    "Willow",   "Meadow",    "Forest",  "River",   "Mill",     "Center",   "Union",
    "Prospect", "Jefferson", "Adams",   "Hickory", "Dogwood",  "Sycamore", "Magnolia",
    "Poplar",   "Birch",     "Laurel",  "Cherry",  "Vine",
};

constexpr const char* kStreetKinds[] = {
    "St", "Ave", "Rd", "Blvd", "Dr", "Ln", "Way", "Ct", "Pl", "Pkwy",
};

constexpr const char* kEmailDomains[] = {"example.com", "example.net", "example.org"};

constexpr const char* kContactNotes[] = {
    "Prefers a phone call before any work over $100.",
    "Pays by check only.",
    "Tax exempt - certificate on file.",
    "Ask for the service manager.",
    "Good customer - extended terms approved.",
    "Net 30 account; send statements monthly.",
    "Pick-up and delivery customer.",
    "Do not release equipment until paid in full.",
};

// City, state, first three digits of its zip codes, telephone area code.
// The New England rows give zip codes with a leading zero.
struct City {
  const char* name;
  const char* state;
  int zip_prefix;
  const char* area_code;
};
constexpr City kCities[] = {
    {"Boston", "MA", 21, "617"},          {"Providence", "RI", 29, "401"},
    {"Manchester", "NH", 31, "603"},      {"Portland", "ME", 41, "207"},
    {"Burlington", "VT", 54, "802"},      {"Hartford", "CT", 61, "860"},
    {"Newark", "NJ", 71, "973"},          {"New York", "NY", 100, "212"},
    {"Albany", "NY", 122, "518"},         {"Philadelphia", "PA", 191, "215"},
    {"Washington", "DC", 200, "202"},     {"Baltimore", "MD", 212, "410"},
    {"Richmond", "VA", 232, "804"},       {"Raleigh", "NC", 276, "919"},
    {"Atlanta", "GA", 303, "404"},        {"Orlando", "FL", 328, "407"},
    {"Miami", "FL", 331, "305"},          {"Nashville", "TN", 372, "615"},
    {"Columbus", "OH", 432, "614"},       {"Cleveland", "OH", 441, "216"},
    {"Indianapolis", "IN", 462, "317"},   {"Detroit", "MI", 482, "313"},
    {"Milwaukee", "WI", 532, "414"},      {"Minneapolis", "MN", 554, "612"},
    {"Chicago", "IL", 606, "312"},        {"St. Louis", "MO", 631, "314"},
    {"Kansas City", "MO", 641, "816"},    {"New Orleans", "LA", 701, "504"},
    {"Dallas", "TX", 752, "214"},         {"Houston", "TX", 770, "713"},
    {"Austin", "TX", 787, "512"},         {"Denver", "CO", 802, "303"},
    {"Salt Lake City", "UT", 841, "801"}, {"Phoenix", "AZ", 850, "602"},
    {"Las Vegas", "NV", 891, "702"},      {"Los Angeles", "CA", 900, "213"},
    {"Pasadena", "CA", 911, "626"},       {"San Diego", "CA", 921, "619"},
    {"San Francisco", "CA", 941, "415"},  {"Sacramento", "CA", 958, "916"},
    {"Honolulu", "HI", 968, "808"},       {"Portland", "OR", 972, "503"},
    {"Seattle", "WA", 981, "206"},        {"Anchorage", "AK", 995, "907"},
};
constexpr int kCityCount = static_cast<int>(std::size(kCities));

struct Employee {
  const char* short_name;
  const char* first_name;
  const char* last_name;
  const char* title;
  int hired_year, hired_month, hired_day;
  bool technician;
  int hourly_rate_cents;
  int inactive;
};
// The first six are the bench and field technicians that job lines name.
constexpr Employee kEmployees[] = {
    {"DAVE", "David", "Nguyen", "Senior Technician", 1991, 3, 4, true, 2850, 0},
    {"MARIA", "Maria", "Santos", "Technician", 1994, 7, 18, true, 2400, 0},
    {"KEN", "Kenji", "Watanabe", "Technician", 1996, 1, 8, true, 2300, 0},
    {"BOB", "Robert", "Kowalski", "Bench Technician", 1997, 9, 22, true, 2100, 0},
    {"LISA", "Lisa", "Chambers", "Field Technician", 1999, 5, 3, true, 2200, 0},
    {"RAJ", "Rajesh", "Patel", "Technician", 2001, 2, 12, true, 1950, 1},
    {"SUE", "Susan", "O'Neill", "Service Writer", 1993, 11, 15, false, 1700, 0},
    {"TOM", "Thomas", "Becker", "Parts Manager", 1995, 6, 1, false, 1900, 0},
};
constexpr int kTechnicianCount = 6;
constexpr int kEmployeeCount = static_cast<int>(std::size(kEmployees));

struct ItemWording {
  const char* estimate;
  const char* invoice;
};
constexpr ItemWording kItemDescriptions[] = {
    {"Diagnose and estimate repair", "Diagnosis"},
    {"Bench labor", "Bench repair labor"},
    {"Clean and lubricate tape transport", "Cleaned and lubricated tape transport"},
    {"Replace drive belts", "Replaced drive belts"},
    {"Replace pinch roller", "Replaced pinch roller"},
    {"Clean and demagnetize heads", "Cleaned and demagnetized heads"},
    {"Align tracking and tape path", "Aligned tracking and tape path"},
    {"Replace power supply capacitors", "Replaced power supply capacitors"},
    {"Resolder cold joints on main board", "Resoldered cold joints on main board"},
    {"Replace flyback transformer", "Replaced flyback transformer"},
    {"Adjust convergence and purity", "Adjusted convergence and purity"},
    {"Replace horizontal output transistor", "Replaced horizontal output transistor"},
    {"Replace CD laser pickup", "Replaced CD laser pickup"},
    {"Clean and adjust laser", "Cleaned and adjusted laser"},
    {"Replace tray loading belt", "Replaced tray loading belt"},
    {"Replace projection lamp", "Replaced projection lamp"},
    {"Replace remote control", "Supplied replacement remote control"},
    {"Replace fuser assembly", "Replaced fuser assembly"},
    {"Replace print head", "Replaced print head"},
    {"Clean paper path and rollers", "Cleaned paper path and rollers"},
    {"Replace output ICs", "Replaced audio output ICs"},
    {"Replace volume control", "Replaced volume control"},
    {"Replace speaker", "Replaced speaker"},
    {"Update firmware", "Updated firmware"},
    {"Safety check", "Performed safety check"},
    {"In-home service call", "In-home service call"},
    {"Pick-up and delivery", "Pick-up and delivery"},
    {"Shipping and handling", "Shipping and handling"},
    {"Shop supplies", "Shop supplies"},
    {"Estimate only - customer declined repair", "Estimate fee"},
};
constexpr int kItemDescriptionCount = static_cast<int>(std::size(kItemDescriptions));

constexpr const char* kPartNames[] = {
    "Drive belt",          "Pinch roller",
    "Idler tire",          "Video head drum",
    "Flyback transformer", "Horizontal output transistor",
    "Power supply board",  "Main board",
    "Laser pickup",        "Loading motor",
    "Tray belt",           "Remote control",
    "Projection lamp",     "Fuser assembly",
    "Print head",          "Paper pick roller",
    "Tuner module",        "Audio output IC",
    "Volume control",      "Power switch",
    "Fuse 2A slow blow",   "Electrolytic capacitor 470uF",
    "Voltage regulator",   "Speaker 8 ohm",
    "Headphone jack",      "Cassette door",
    "Antenna coil",        "Deflection yoke",
    "CRT socket board",    "LCD backlight",
};

constexpr const char* kProductDescriptions[] = {
    "27\" Color TV",
    "32\" Color TV",
    "Projection TV",
    "VCR",
    "Camcorder",
    "CD Player",
    "DVD Player",
    "Stereo Receiver",
    "Cassette Deck",
    "Amplifier",
    "Microwave Oven",
    "Laser Printer",
    "Inkjet Printer",
    "Fax Machine",
    "Copier",
    "Car Stereo",
    "Portable Stereo",
    "Computer Monitor",
    "Satellite Receiver",
    "Turntable",
};

constexpr const char* kProblems[] = {
    "No power",
    "No picture, sound OK",
    "Intermittent shut-off",
    "Eats tapes",
    "Will not eject",
    "Skips on some discs",
    "Distorted sound left channel",
    "Lines across the picture",
    "Remote does not work",
    "Paper jams",
    "Dead after power surge",
    "Tray will not open",
    "Hum in speakers",
    "Picture too dark",
    "Clicks on and off",
};

constexpr const char* kJobNotes[] = {
    "Customer will pick up Saturday.",
    "Call before ordering parts.",
    "Unit dropped - not covered by warranty.",
    "Loaner unit issued.",
    "Customer supplied own parts.",
};

constexpr const char* kInventoryNotes[] = {
    "Substitute with NTE equivalent when out of stock.",
    "Special order only.",
    "Check model suffix before ordering.",
    "Discontinued by manufacturer.",
};

constexpr const char* kDocTypes[] = {
    "Service Manual",   "Schematic",      "Parts List",
    "Service Bulletin", "Owner's Manual", "Alignment Procedure",
};

constexpr const char* kSymptoms[] = {
    "Unit shuts down two seconds after power on",
    "No video on playback, E-E picture normal",
    "Tray opens and closes by itself",
    "Vertical collapse after warm-up",
    "Display dim or missing segments",
    "Audio drops out when unit is warm",
    "Will not read CD-R discs",
    "Blinking standby light, no start-up",
    "Paper feed error with new paper",
    "Snow on all channels",
    "Green tint on picture",
    "Reel table does not turn in rewind",
};

constexpr const char* kCures[] = {
    "Replace the two 47uF 50V capacitors near the regulator; they dry out with age.",
    "Clean the video heads and check the head amplifier connector for cracked solder.",
    "Replace the loading belt and clean the mode switch.",
    "Resolder the vertical output IC pins; check the 1 ohm fusible resistor.",
    "Replace the display driver; also check the filament voltage.",
    "Reflow the solder on the audio output IC heat sink mounting.",
    "Adjust laser power per the service manual; replace the pickup if still weak.",
    "Replace the standby regulator transistor and the startup resistor.",
    "Clean the pick-up roller with alcohol; replace it if glazed.",
    "Check the tuner supply at the tuner pin; replace the 33V zener.",
    "Check the CRT drive board for an open resistor in the green cathode circuit.",
    "Replace the idler tire and clean the clutch.",
};

constexpr const char* kPartsUsed[] = {
    "Capacitor kit", "Belt kit",       "Idler tire",   "Zener diode 33V",
    "Regulator IC",  "Pick-up roller", "Laser pickup",
};

// `number` in decimal, zero-filled on the left to `width` digits. Written
// out by hand: it runs for every date and code of a million-row fill.
std::string Padded(uint64_t number, int width) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  std::string text;
  text.reserve(static_cast<size_t>(std::max(width, count)));
  for (int i = count; i < width; ++i) text += '0';
  while (count > 0) text += digits[--count];
  return text;
}

// ---------------------------------------------------------------------------
// Dates as day numbers, so that spreading and adding days stays plain
// integer arithmetic; written out as ISO text the way the host stores them.

constexpr int DaysFromCivil(int y, int m, int d) {
  using namespace std::chrono;
  return sys_days(year(y) / month(m) / day(d)).time_since_epoch().count();
}

std::string IsoDate(int days) {
  using namespace std::chrono;
  const year_month_day date{sys_days(std::chrono::days(days))};
  const int y = static_cast<int>(date.year());
  const auto m = static_cast<unsigned>(date.month());
  const auto d = static_cast<unsigned>(date.day());
  std::string text = Padded(static_cast<uint64_t>(y), 4);
  text += '-';
  text += static_cast<char>('0' + m / 10);
  text += static_cast<char>('0' + m % 10);
  text += '-';
  text += static_cast<char>('0' + d / 10);
  text += static_cast<char>('0' + d % 10);
  return text;
}

constexpr int kNoDate = -1000000;
constexpr int kFirstCustomerDay = DaysFromCivil(1990, 1, 1);
constexpr int kFirstJobDay = DaysFromCivil(1996, 1, 2);
constexpr int kLastDay = DaysFromCivil(2004, 12, 31);
constexpr int kFirstJobNo = 10001;

void BindDate(Statement& statement, int pos, int days) {
  if (days == kNoDate) {
    statement.Null(pos);
  } else {
    statement.Text(pos, IsoDate(days));
  }
}

// Money is worked out in whole cents and written as currency units.
void BindMoney(Statement& statement, int pos, int64_t cents) {
  statement.Real(pos, static_cast<double>(cents) / 100.0);
}

std::string Digits(DemoRandom& random, int count) {
  std::string text(static_cast<size_t>(count), '0');
  for (auto& c : text) c = static_cast<char>('0' + random.Below(10));
  return text;
}

// Fits text into a column the way the host does: cut, then trimmed.
std::string Fit(std::string text, size_t size) {
  if (text.size() > size) text.resize(size);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string LettersLower(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

// Case-insensitive, like the unique index on FileAs.
uint64_t FoldedHash(std::string_view text) {
  uint64_t hash = 1469598103934665603ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
    hash *= 1099511628211ull;
  }
  return hash;
}

// Hands out FileAs values the unique index accepts: a name already taken
// gets "-2", "-3", ... as the shop's own screens would suggest.
class FileAsRegistry {
 public:
  std::string Claim(const std::string& wanted) {
    std::string candidate = wanted;
    const uint64_t base = FoldedHash(wanted);
    while (!taken_.insert(FoldedHash(candidate)).second) {
      candidate = wanted + "-" + std::to_string(++next_suffix_[base] + 1);
    }
    return candidate;
  }

 private:
  std::unordered_set<uint64_t> taken_;
  std::unordered_map<uint64_t, int> next_suffix_;
};

std::string CompanyName(DemoRandom& random) {
  std::string name;
  switch (random.Below(3)) {
    case 0:
      name = random.Pick(kLastNames);
      break;
    case 1:
      name = std::string(random.Pick(kCompanyWords));
      break;
    default:
      name = random.Pick(kLastNames);
      name += " & ";
      name += random.Pick(kLastNames);
      break;
  }
  name += " ";
  name += random.Pick(kCompanyKinds);
  name += random.Pick(kCompanyEndings);
  return Fit(name, 50);
}

std::string PhoneNumber(DemoRandom& random, std::string_view area_code) {
  std::string phone = "(" + std::string(area_code) + ")";
  phone += std::to_string(random.Between(200, 999));
  phone += "-";
  phone += Digits(random, 4);
  if (random.Chance(4)) phone += " " + std::to_string(random.Between(10, 399));
  return phone;
}

struct Make {
  int64_t id;
  std::string name;
  std::string code;  // three letters that start its model and part numbers
};

std::vector<Make> ReadMakes(sqlite3* db) {
  std::vector<Make> makes;
  Statement query(db, "SELECT MakeID, Make FROM ProductMakes ORDER BY MakeID");
  while (query.Step()) {
    Make make{query.ColumnInt(0), query.ColumnText(1), {}};
    for (const char c : make.name) {
      if (make.code.size() == 3) break;
      if (std::isalpha(static_cast<unsigned char>(c))) {
        make.code += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
    }
    if (make.code.empty()) make.code = "GEN";
    makes.push_back(std::move(make));
  }
  return makes;
}

std::vector<int64_t> ReadReferralIds(sqlite3* db) {
  std::vector<int64_t> ids;
  Statement query(db, "SELECT ReferalID FROM Referals ORDER BY ReferalID");
  while (query.Step()) ids.push_back(query.ColumnInt(0));
  return ids;
}

std::string ModelNumber(DemoRandom& random, const Make& make) {
  std::string model = make.code + "-";
  model += static_cast<char>('A' + random.Below(26));
  model += Digits(random, random.Between(3, 4));
  return model;
}

// Part numbers are unique by construction: 7919 is prime to 10^7, so
// i -> (7919 i + 1234567) mod 10^7 never repeats for fewer than ten million
// items, whatever make prefix they carry.
std::string ItemNumberFor(int64_t index, const std::vector<Make>& makes) {
  const std::string prefix =
      makes.empty() ? "GEN" : makes[static_cast<size_t>(index) % makes.size()].code;
  return prefix + "-" +
         Padded((7919ull * static_cast<uint64_t>(index) + 1234567ull) % 10000000ull, 7);
}

int64_t MakeIdFor(int64_t index, const std::vector<Make>& makes) {
  return makes.empty() ? 0 : makes[static_cast<size_t>(index) % makes.size()].id;
}

// ---------------------------------------------------------------------------

struct ZipRow {
  std::string zip;
  int city;
};

struct Generated {
  std::vector<ZipRow> zips;
  std::vector<int64_t> vendor_keys;
  std::vector<int64_t> warranty_payer_keys;  // manufacturers and warranty companies
  std::vector<int32_t> part_cost_cents;
  std::vector<int32_t> part_price_cents;
};

void FillEmployees(sqlite3* db) {
  Statement insert(
      db,
      "INSERT INTO Employees (EmployeeNo, ShortName, FirstName, LastName, Title, "
      "HireDate, IsTechnician, HourlyRate, InActive) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
  int no = 1;
  for (const auto& e : kEmployees) {
    insert.Int(1, no++).Text(2, e.short_name).Text(3, e.first_name).Text(4, e.last_name);
    insert.Text(5, e.title);
    BindDate(insert, 6, DaysFromCivil(e.hired_year, e.hired_month, e.hired_day));
    insert.Int(7, e.technician ? 1 : 0);
    BindMoney(insert, 8, e.hourly_rate_cents);
    insert.Int(9, e.inactive);
    insert.Run();
  }
}

void FillItemDescriptions(sqlite3* db) {
  Statement insert(db,
                   "INSERT INTO ItemDescription (DescID, DescEstimate, DescInvoice) "
                   "VALUES (?, ?, ?)");
  int id = 1;
  for (const auto& d : kItemDescriptions) {
    insert.Int(1, id++).Text(2, d.estimate).Text(3, d.invoice).Run();
  }
}

void FillZipCodes(sqlite3* db, int count, Generated& out) {
  Statement insert(
      db, "INSERT INTO ZipCodes (ZipCode, City, State, AreaCode) VALUES (?, ?, ?, ?)");
  for (int i = 0; i < count; ++i) {
    const int city = i % kCityCount;
    const auto& c = kCities[city];
    // At most 99 codes per prefix, so codes never run into the next city's.
    ZipRow row{Padded(static_cast<uint64_t>(c.zip_prefix) * 100 + 1 + i / kCityCount, 5),
               city};
    insert.Text(1, row.zip).Text(2, c.name).Text(3, c.state).Text(4, c.area_code).Run();
    out.zips.push_back(std::move(row));
  }
}

int PickContactType(DemoRandom& random) {
  const uint64_t roll = random.Below(100);
  if (roll < 70) return kContactTypeCustomer;
  if (roll < 78) return 3;  // commercial account
  if (roll < 84) return kContactTypeDealer;
  if (roll < 89) return kContactTypeVendor;
  if (roll < 92) return 1;  // wholesale
  if (roll < 94) return kContactTypeManufacturer;
  if (roll < 96) return 7;  // warranty company
  if (roll < 98) return 6;  // insurance company
  return 5;                 // government
}

void FillContacts(sqlite3* db, DemoRandom& random, int count,
                  const std::vector<Make>& makes, const std::vector<int64_t>& referrals,
                  Generated& out) {
  Statement contact_insert(
      db,
      "INSERT INTO Contacts (CKey, FileAs, ClientType, Contact, FirstName, LastName, "
      "Company, "
      "Address, AddressDescriptionID, City, State, ZipCode, EMail, ReferalBy, "
      "CustomerSince, "
      "LastVisit, TaxTable, CustTaxable, TaxExemptNo, CreditLimit, Terms, "
      "EstimateReqOption, "
      "SendBillsToThisAddress, ShipToThisAddress, AccountNo1, AccountNo2, Notes) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
      "?, ?, ?)");
  Statement phone_insert(
      db,
      "INSERT INTO ContactPhones (CKey, AddressDescID, PhoneDescID, Phone, "
      "Contact) VALUES (?, ?, ?, ?, ?)");
  FileAsRegistry file_as;

  for (int i = 0; i < count; ++i) {
    const int64_t ckey = i + 1;
    const int type = PickContactType(random);
    const bool person = type == kContactTypeCustomer;

    std::string first, last, company;
    if (person || random.Chance(60)) {
      first = random.Pick(kFirstNames);
      last = random.Pick(kLastNames);
    }
    if (type == kContactTypeManufacturer && !makes.empty()) {
      company = makes[random.Below(makes.size())].name + " ";
      company += random.Pick(kManufacturerKinds);
    } else if (!person || random.Chance(8)) {
      company = CompanyName(random);
    }
    std::string contact = last;
    if (!first.empty()) contact += (contact.empty() ? "" : " ") + first;
    contact = Fit(contact, 40);
    const std::string file_as_value = file_as.Claim(person ? contact : company);

    // Address, with city, state and zip taken from the zip table so the
    // three agree; a few zip codes the table does not know, a few missing.
    std::string address;
    if (!random.Chance(4)) {
      address = std::to_string(random.Between(1, 9999)) + " ";
      address += random.Pick(kStreetNames);
      address += " ";
      address += random.Pick(kStreetKinds);
      if (random.Chance(10))
        address += " Suite " + std::to_string(random.Between(100, 450));
    }
    int city = static_cast<int>(random.Below(kCityCount));
    std::string zip;
    const uint64_t zip_roll = random.Below(100);
    if (zip_roll < 95 && !out.zips.empty()) {
      const ZipRow& row = out.zips[random.Below(out.zips.size())];
      zip = row.zip;
      city = row.city;
    } else if (zip_roll < 98) {
      zip = Padded(random.Between(1001, 99950), 5);
    }

    std::string email;
    if (random.Chance(30)) {
      const std::string local =
          person ? LettersLower(first) + "." + LettersLower(last) : "service";
      const std::string domain =
          person ? random.Pick(kEmailDomains)
                 : LettersLower(company).substr(0, 20) + ".example.com";
      email = Fit(local + "@" + domain, 60);
    }

    const int since = kFirstCustomerDay +
                      static_cast<int>(random.Below(kLastDay - kFirstCustomerDay + 1));
    const int last_visit =
        random.Chance(5) ? kNoDate
                         : since + static_cast<int>(random.Below(kLastDay - since + 1));
    const bool exempt = random.Chance(person ? 3 : 25);

    contact_insert.Int(1, ckey).Text(2, file_as_value).Int(3, type).Text(4, contact);
    contact_insert.Text(5, first).Text(6, last).Text(7, company).Text(8, address);
    contact_insert.Int(9, 15).Text(10, kCities[city].name).Text(11, kCities[city].state);
    contact_insert.Text(12, zip).Text(13, email);
    if (referrals.empty() || random.Chance(10)) {
      contact_insert.Null(14);
    } else {
      contact_insert.Int(14, referrals[random.Below(referrals.size())]);
    }
    BindDate(contact_insert, 15, since);
    BindDate(contact_insert, 16, last_visit);
    contact_insert.Int(17, random.Chance(85) ? 1 : 2).Int(18, exempt ? 0 : 1);
    contact_insert.Text(19, exempt ? "EX-" + Digits(random, 6) : std::string());
    BindMoney(contact_insert, 20, person ? 0 : random.Between(1, 20) * 50000);
    contact_insert.Int(21, person ? 1 : random.Between(1, 3));
    contact_insert.Int(22, random.Chance(15) ? 153 : 0);
    contact_insert.Int(23, 1).Int(24, random.Chance(95) ? 1 : 0);
    contact_insert.Text(
        25, !person && random.Chance(50) ? "A" + Digits(random, 6) : std::string());
    contact_insert.Text(
        26, type == kContactTypeVendor ? "V" + Digits(random, 5) : std::string());
    contact_insert.Text(27, random.Chance(10) ? random.Pick(kContactNotes) : "");
    contact_insert.Run();

    if (type == kContactTypeVendor) out.vendor_keys.push_back(ckey);
    if (type == kContactTypeManufacturer || type == 7)
      out.warranty_payer_keys.push_back(ckey);

    // Home, work and mobile numbers for people; main line and fax for firms.
    const char* area = kCities[city].area_code;
    auto add_phone = [&](int desc_id) {
      phone_insert.Int(1, ckey).Int(2, 0).Int(3, desc_id);
      phone_insert.Text(4, PhoneNumber(random, area)).Text(5, contact).Run();
    };
    if (person) {
      if (random.Chance(85)) add_phone(8);
      if (random.Chance(40)) add_phone(35);
      if (random.Chance(30)) add_phone(12);
    } else {
      if (random.Chance(95)) add_phone(35);
      if (random.Chance(60)) add_phone(18);
    }
  }
}

void FillInventory(sqlite3* db, DemoRandom& random, int count,
                   const std::vector<Make>& makes, Generated& out) {
  Statement insert(
      db,
      "INSERT INTO InventoryItems (InventoryID, ItemNumber, ItemType, GeneticNo, MakeID, "
      "ProductLine, Category, DescEstimate, DescInvoice, TaxableItem, Location, "
      "StorageBin1, "
      "UnitsInStock1, ReOrderPoint1, StorageBin2, UnitsInStock2, ReOrderPoint2, "
      "LastItemUsedOn, CostOrRate, CostOrRateLastUpdated, SalesPriceOrRate, "
      "AllowBackOrders, "
      "VendorCKey, Notes) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  out.part_cost_cents.reserve(static_cast<size_t>(count));
  out.part_price_cents.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const uint64_t type_roll = random.Below(100);
    const int item_type = type_roll < 85   ? kItemTypeParts
                          : type_roll < 90 ? 5
                          : type_roll < 93 ? 4
                          : type_roll < 95 ? 6
                                           : kItemTypeLabor;
    const int64_t make_id = MakeIdFor(i, makes);
    std::string description = random.Pick(kPartNames);
    if (!makes.empty() && random.Chance(60)) {
      description +=
          " for " + ModelNumber(random, makes[static_cast<size_t>(i) % makes.size()]);
    }
    std::string location(1, static_cast<char>('A' + random.Below(8)));
    location += "-" + Padded(random.Between(1, 40), 2);
    const int cost = random.Between(50, 25000);
    const int price = cost * random.Between(150, 250) / 100;
    out.part_cost_cents.push_back(cost);
    out.part_price_cents.push_back(price);

    insert.Int(1, i + 1).Text(2, ItemNumberFor(i, makes)).Int(3, item_type);
    insert.Text(4, random.Chance(35) ? "NTE" + std::to_string(random.Between(100, 3299))
                                     : std::string());
    if (make_id == 0) {
      insert.Null(5);
    } else {
      insert.Int(5, make_id);
    }
    insert.Int(6, random.Between(1, 5)).Int(7, random.Between(1, 9));
    insert.Text(8, description)
        .Text(9, random.Chance(80) ? description : random.Pick(kPartNames));
    insert.Int(10, item_type == kItemTypeLabor ? 0 : 1);
    insert.Text(11, location).Text(12, location);
    insert.Real(13, random.Chance(20) ? 0 : random.Between(1, 40))
        .Real(14, random.Between(0, 5));
    const bool van = random.Chance(10);
    insert.Text(15, van ? "Van " + std::to_string(random.Between(1, 4)) : std::string());
    insert.Real(16, van ? random.Between(1, 6) : 0).Real(17, 0);
    BindDate(
        insert, 18,
        random.Chance(70)
            ? kFirstJobDay + static_cast<int>(random.Below(kLastDay - kFirstJobDay + 1))
            : kNoDate);
    BindMoney(insert, 19, cost);
    BindDate(
        insert, 20,
        random.Chance(80)
            ? kFirstJobDay + static_cast<int>(random.Below(kLastDay - kFirstJobDay + 1))
            : kNoDate);
    BindMoney(insert, 21, price);
    insert.Int(22, random.Chance(60) ? 1 : 0);
    if (out.vendor_keys.empty() || !random.Chance(60)) {
      insert.Null(23);
    } else {
      insert.Int(23, out.vendor_keys[random.Below(out.vendor_keys.size())]);
    }
    insert.Text(24, random.Chance(5) ? random.Pick(kInventoryNotes) : "");
    insert.Run();
  }
}

// One line of a job, worked out before the job row so the job can carry
// its totals.
struct ItemLine {
  int item_type = kItemTypeParts;
  bool is_quote = false;
  int for_party = 0;
  int qty_ordered_quarters = 4;
  int qty_shipped_quarters = 4;
  std::string item_number;
  int64_t desc_id = 0;  // 0: free text instead
  std::string text_estimate, text_invoice;
  std::string reference_no;
  int64_t cost_cents = 0, price_cents = 0, extended_cents = 0;
  std::string serial_no;
  bool taxable = false;
  int64_t technician = 0;  // 0: none
};

ItemLine DrawItemLine(DemoRandom& random, int line, int invoice_type, int64_t technician,
                      bool warranty, const std::vector<Make>& makes,
                      const Generated& generated) {
  ItemLine item;
  item.is_quote = invoice_type == kInvoiceTypeQuote;
  const bool repair_like = invoice_type != kInvoiceTypeSale;
  const uint64_t roll = random.Below(100);
  if (repair_like && line == 0) {
    item.item_type = kItemTypeLabor;
  } else if (roll < 80) {
    item.item_type = kItemTypeParts;
  } else if (roll < 88) {
    item.item_type = repair_like ? kItemTypeLabor : kItemTypeParts;
  } else if (roll < 92) {
    item.item_type = 4;  // freight
  } else if (roll < 95) {
    item.item_type = 5;  // miscellaneous
  } else if (roll < 97) {
    item.item_type = 3;  // sublet
  } else {
    item.item_type = 90 + random.Between(0, 9);  // a type the shop has since deleted
  }

  if (item.item_type == kItemTypeLabor) {
    item.qty_ordered_quarters = random.Between(2, 12);
    item.price_cents = 6500;
    item.cost_cents = 2400;
    item.item_number = random.Chance(50) ? "LABOR" : "";
    item.technician =
        random.Chance(80) ? technician : random.Between(1, kTechnicianCount);
    if (item.technician == 0) item.technician = random.Between(1, kTechnicianCount);
    if (random.Chance(4))
      item.technician = 90 + random.Between(0, 9);  // no such employee
  } else if (item.item_type == kItemTypeParts && !generated.part_cost_cents.empty()) {
    const size_t part = random.Below(generated.part_cost_cents.size());
    item.item_number = ItemNumberFor(static_cast<int64_t>(part), makes);
    item.cost_cents = generated.part_cost_cents[part];
    item.price_cents = generated.part_price_cents[part];
    item.qty_ordered_quarters = 4 * random.Between(1, 4);
    item.taxable = true;
    if (random.Chance(5)) item.serial_no = "SN" + Digits(random, 8);
  } else {
    item.cost_cents = random.Between(100, 5000);
    item.price_cents = item.cost_cents + random.Between(0, 2500);
    item.qty_ordered_quarters = 4;
    item.taxable = item.item_type == 5;
  }
  item.qty_shipped_quarters = item.is_quote ? 0 : item.qty_ordered_quarters;
  if (!item.is_quote && item.item_type == kItemTypeParts && random.Chance(5)) {
    item.qty_shipped_quarters -= 4;  // one on back order
  }
  item.extended_cents = (item.qty_ordered_quarters * item.price_cents + 2) / 4;

  const uint64_t desc_roll = random.Below(100);
  if (desc_roll < 6) {
    item.text_estimate = random.Pick(kPartNames);
    item.text_invoice = item.text_estimate;
  } else if (desc_roll < 9) {
    item.desc_id =
        kItemDescriptionCount + 100 + random.Between(0, 49);  // deleted wording
  } else {
    item.desc_id = random.Between(1, kItemDescriptionCount);
  }
  if (random.Chance(10)) item.reference_no = "RA" + Digits(random, 6);
  item.for_party = warranty && random.Chance(50) ? 1 : 0;
  return item;
}

void FillJobs(sqlite3* db, DemoRandom& random, int jobs, int contacts,
              const std::vector<Make>& makes, const Generated& generated) {
  Statement job_insert(
      db,
      "INSERT INTO Jobs (JobNo, CKey, InvoiceType, StatusCode, DateIn, DateCompleted, "
      "ClaimedOn, MakeID, ModelNo, SerialNo, ProductDesc, ProblemDesc, TechnicianID, "
      "PONumber, "
      "SubTotal, SalesTax, InvoiceTotal, AmountPaid, JobNotes) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  Statement item_insert(
      db,
      "INSERT INTO JobItems (JobNo, ForPartyNo, IsQuote, QtyOrdered, QtyShipped, "
      "ItemType, "
      "ItemNumber, DescID, TextDescEstimate, TextDescInvoice, ReferenceNo, CostOrRate, "
      "PriceOrRate, ExtendedPriceOrRate, ItemSerialNo, TaxableItem, TechnicianID) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  Statement warranty_insert(db,
                            "INSERT INTO JobsWarranty (JobNo, WarrantyCKey, ClaimNo, "
                            "AuthorizationNo, PurchaseDate, "
                            "DealerName, ClaimDate, ClaimAmount, AmountPaid, DatePaid) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

  const int64_t span = kLastDay - kFirstJobDay;
  std::vector<ItemLine> lines;
  for (int j = 0; j < jobs; ++j) {
    const int64_t job_no = kFirstJobNo + j;
    // Job numbers grow with the date the work came in, as at a real counter.
    const int date_in = std::min<int>(
        kLastDay, kFirstJobDay + static_cast<int>(span * j / std::max(jobs, 1)) +
                      static_cast<int>(random.Below(3)));
    const uint64_t kind_roll = random.Below(100);
    const int invoice_type = kind_roll < 65   ? kInvoiceTypeRepair
                             : kind_roll < 90 ? kInvoiceTypeSale
                                              : kInvoiceTypeQuote;
    // Older work is mostly finished; recent work is anywhere in the shop.
    int status;
    if (date_in < kLastDay - 365 && random.Chance(75)) {
      status = random.Chance(85) ? 14 : 12;
    } else {
      status = random.Between(1, 14);
    }
    const int completed = status >= 9 ? date_in + random.Between(0, 21) : kNoDate;
    const int claimed =
        (status == 12 || status == 14) ? completed + random.Between(0, 30) : kNoDate;
    const bool repair_like = invoice_type != kInvoiceTypeSale;
    const int64_t technician =
        repair_like && random.Chance(90) ? random.Between(1, kTechnicianCount) : 0;
    const bool warranty = invoice_type == kInvoiceTypeRepair && random.Chance(15);

    lines.clear();
    const int line_count = random.Chance(10) ? 0 : random.Between(1, 6);
    int64_t subtotal = 0, taxable_total = 0;
    for (int k = 0; k < line_count; ++k) {
      lines.push_back(
          DrawItemLine(random, k, invoice_type, technician, warranty, makes, generated));
      subtotal += lines.back().extended_cents;
      if (lines.back().taxable) taxable_total += lines.back().extended_cents;
    }
    const int64_t tax = (taxable_total * 825 + 5000) / 10000;  // 8.25 %
    const int64_t total = subtotal + tax;
    const int64_t paid = claimed != kNoDate ? total : (random.Chance(20) ? total / 2 : 0);

    job_insert.Int(1, job_no).Int(2, 1 + static_cast<int64_t>(random.Below(contacts)));
    job_insert.Int(3, invoice_type).Int(4, status);
    BindDate(job_insert, 5, date_in);
    BindDate(job_insert, 6, completed);
    BindDate(job_insert, 7, claimed);
    if (repair_like && !makes.empty() && random.Chance(95)) {
      const Make& make = makes[random.Below(makes.size())];
      job_insert.Int(8, make.id).Text(9, ModelNumber(random, make));
      job_insert.Text(10, random.Chance(85) ? Digits(random, random.Between(7, 10)) : "");
      job_insert.Text(11, random.Pick(kProductDescriptions));
      job_insert.Text(12, random.Pick(kProblems));
    } else {
      job_insert.Null(8).Null(9).Null(10).Null(11).Null(12);
    }
    if (technician == 0) {
      job_insert.Null(13);
    } else {
      job_insert.Int(13, technician);
    }
    job_insert.Text(14, random.Chance(12) ? "PO" + Digits(random, 5) : "");
    BindMoney(job_insert, 15, subtotal);
    BindMoney(job_insert, 16, tax);
    BindMoney(job_insert, 17, total);
    BindMoney(job_insert, 18, paid);
    job_insert.Text(19, random.Chance(8) ? random.Pick(kJobNotes) : "");
    job_insert.Run();

    for (const ItemLine& item : lines) {
      item_insert.Int(1, job_no).Int(2, item.for_party).Int(3, item.is_quote ? 1 : 0);
      item_insert.Real(4, item.qty_ordered_quarters / 4.0);
      item_insert.Real(5, item.qty_shipped_quarters / 4.0);
      item_insert.Int(6, item.item_type).Text(7, item.item_number);
      if (item.desc_id == 0) {
        item_insert.Null(8);
      } else {
        item_insert.Int(8, item.desc_id);
      }
      item_insert.Text(9, item.text_estimate).Text(10, item.text_invoice);
      item_insert.Text(11, item.reference_no);
      BindMoney(item_insert, 12, item.cost_cents);
      BindMoney(item_insert, 13, item.price_cents);
      BindMoney(item_insert, 14, item.extended_cents);
      item_insert.Text(15, item.serial_no).Int(16, item.taxable ? 1 : 0);
      if (item.technician == 0) {
        item_insert.Null(17);
      } else {
        item_insert.Int(17, item.technician);
      }
      item_insert.Run();
    }

    if (warranty) {
      const auto& payers = generated.warranty_payer_keys;
      warranty_insert.Int(1, job_no);
      if (payers.empty()) {
        warranty_insert.Null(2);
      } else {
        warranty_insert.Int(2, payers[random.Below(payers.size())]);
      }
      warranty_insert.Text(3, "WC" + Digits(random, 7));
      warranty_insert.Text(4, random.Chance(60) ? "AU" + Digits(random, 6) : "");
      BindDate(warranty_insert, 5, date_in - random.Between(30, 720));
      warranty_insert.Text(6, CompanyName(random));
      BindDate(warranty_insert, 7, completed);
      BindMoney(warranty_insert, 8, subtotal);
      const bool settled = status == 14;
      BindMoney(warranty_insert, 9, settled ? subtotal : 0);
      BindDate(
          warranty_insert, 10,
          settled && completed != kNoDate ? completed + random.Between(14, 60) : kNoDate);
      warranty_insert.Run();
    }
  }
}

// A make id for literature and tips: now and then none, or one the shop
// has since deleted, so the make join has rows without a match.
void BindDocMake(Statement& statement, int pos, DemoRandom& random,
                 const std::vector<Make>& makes, const Make** chosen) {
  *chosen = nullptr;
  const uint64_t roll = random.Below(100);
  if (makes.empty() || roll < 3) {
    statement.Null(pos);
  } else if (roll < 6) {
    statement.Int(pos, 900 + random.Between(0, 99));
  } else {
    *chosen = &makes[random.Below(makes.size())];
    statement.Int(pos, (*chosen)->id);
  }
}

void FillServiceLiterature(sqlite3* db, DemoRandom& random, int count,
                           const std::vector<Make>& makes) {
  Statement insert(
      db,
      "INSERT INTO ServiceLiterature (DocID, MakeID, ModelNo, DocType, Title, "
      "DocNumber, Location, Pages, DateReceived, Notes) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  const Make generic{0, "Generic", "GEN"};
  for (int i = 0; i < count; ++i) {
    const Make* make = nullptr;
    insert.Int(1, i + 1);
    BindDocMake(insert, 2, random, makes, &make);
    const std::string model = ModelNumber(random, make != nullptr ? *make : generic);
    const std::string doc_type = random.Pick(kDocTypes);
    insert.Text(3, model).Text(4, doc_type);
    insert.Text(5, Fit((make != nullptr ? make->name + " " : std::string()) + model +
                           " " + doc_type,
                       100));
    insert.Text(6, random.Chance(70) ? "SM-" + Digits(random, 5) : "");
    std::string cabinet = "Cabinet ";
    cabinet += static_cast<char>('A' + random.Below(6));
    cabinet += "-" + std::to_string(random.Between(1, 12));
    insert.Text(7, cabinet);
    insert.Int(8, random.Between(4, 400));
    BindDate(insert, 9,
             kFirstCustomerDay +
                 static_cast<int>(random.Below(kLastDay - kFirstCustomerDay + 1)));
    insert.Text(10,
                random.Chance(15) ? "Copy on file; original lent to field tech." : "");
    insert.Run();
  }
}

void FillServiceTips(sqlite3* db, DemoRandom& random, int count,
                     const std::vector<Make>& makes) {
  Statement insert(
      db,
      "INSERT INTO ServiceTips (TipID, MakeID, ModelNo, Symptom, Cure, PartsUsed, "
      "DateEntered, EnteredBy) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
  const Make generic{0, "Generic", "GEN"};
  for (int i = 0; i < count; ++i) {
    const Make* make = nullptr;
    insert.Int(1, i + 1);
    BindDocMake(insert, 2, random, makes, &make);
    insert.Text(3, ModelNumber(random, make != nullptr ? *make : generic));
    const auto fault = random.Below(std::size(kSymptoms));
    insert.Text(4, kSymptoms[fault]).Text(5, kCures[fault]);
    insert.Text(6, random.Chance(50) ? random.Pick(kPartsUsed) : "");
    BindDate(insert, 7,
             kFirstJobDay + static_cast<int>(random.Below(kLastDay - kFirstJobDay + 1)));
    insert.Int(8, random.Between(1, kEmployeeCount));
    insert.Run();
  }
}

void RefuseFilledDatabase(sqlite3* db) {
  for (const char* table : {"Contacts", "Jobs", "InventoryItems", "ZipCodes", "Employees",
                            "ItemDescription"}) {
    Statement query(db, std::string("SELECT EXISTS (SELECT 1 FROM ") + table + ")");
    const bool filled = query.Step() && query.ColumnInt(0) != 0;
    while (query.Step()) {
    }
    if (filled) {
      throw std::runtime_error(std::string("Demo data needs an empty database, but ") +
                               table + " already holds rows");
    }
  }
}

void Generate(sqlite3* db, const DemoDataOptions& options) {
  const DemoDataCounts counts = CountsFor(options);
  const std::vector<Make> makes = ReadMakes(db);
  const std::vector<int64_t> referrals = ReadReferralIds(db);
  // One generator for the whole set: each table's rows depend on the seed
  // and on everything drawn before them, never on the clock or the heap.
  DemoRandom random(options.seed);
  Generated generated;
  FillEmployees(db);
  FillItemDescriptions(db);
  FillZipCodes(db, counts.zip_codes, generated);
  FillContacts(db, random, counts.contacts, makes, referrals, generated);
  FillInventory(db, random, counts.inventory_items, makes, generated);
  FillJobs(db, random, counts.jobs, counts.contacts, makes, generated);
  FillServiceLiterature(db, random, counts.service_literature, makes);
  FillServiceTips(db, random, counts.service_tips, makes);
}

}  // namespace

DemoDataCounts CountsFor(const DemoDataOptions& options) {
  if (options.contacts < 0) {
    throw std::invalid_argument("Demo data size must not be negative: " +
                                std::to_string(options.contacts));
  }
  DemoDataCounts counts;
  counts.contacts = options.contacts;
  counts.jobs = options.contacts * 2;
  counts.inventory_items = options.contacts;
  // Enough zip codes to look like a region, never more than 99 per prefix.
  counts.zip_codes = std::clamp(100 + options.contacts / 2, 100, 400);
  counts.service_literature = 10 + std::min(options.contacts, 1000) / 10;
  counts.service_tips = 10 + std::min(options.contacts, 1000) / 8;
  counts.employees = kEmployeeCount;
  counts.item_descriptions = kItemDescriptionCount;
  return counts;
}

// A big page cache while filling: the unique and the zip-code indexes take
// their keys in random order, and with SQLite's small default cache a
// million contacts spend most of their time writing and rereading pages.
class LargerPageCache {
 public:
  explicit LargerPageCache(sqlite3* db) : db_(db) {
    Statement query(db_, "PRAGMA cache_size");
    if (query.Step()) previous_ = query.ColumnInt(0);
    while (query.Step()) {
    }
    ExecScript(db_, "PRAGMA cache_size = -131072;");  // 128 MiB, given back below
  }
  ~LargerPageCache() {
    const std::string restore = "PRAGMA cache_size = " + std::to_string(previous_) + ";";
    sqlite3_exec(db_, restore.c_str(), nullptr, nullptr, nullptr);
  }
  LargerPageCache(const LargerPageCache&) = delete;
  LargerPageCache& operator=(const LargerPageCache&) = delete;

 private:
  sqlite3* db_;
  int64_t previous_ = -2000;
};

// Indexes are built faster by sorting a full table once than by taking
// millions of keys one at a time, so they are set aside during the fill
// and made again from their own definitions afterwards. Remaking a unique
// index checks every key, so the fill cannot slip a duplicate past it.
std::vector<std::string> SetIndexesAside(sqlite3* db) {
  std::vector<std::string> names, definitions;
  {
    Statement query(
        db,
        "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT "
        "NULL ORDER BY name");
    while (query.Step()) {
      names.push_back(query.ColumnText(0));
      definitions.push_back(query.ColumnText(1) + ";");
    }
  }
  for (const auto& name : names) ExecScript(db, "DROP INDEX \"" + name + "\";");
  return definitions;
}

void FillDemoData(sqlite3* db, const DemoDataOptions& options) {
  CountsFor(options);  // validates the size before anything is written
  LargerPageCache cache(db);
  ExecScript(db, "SAVEPOINT demo_data;");
  try {
    RefuseFilledDatabase(db);
    const std::vector<std::string> indexes = SetIndexesAside(db);
    Generate(db, options);
    for (const auto& definition : indexes) ExecScript(db, definition);
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO demo_data; RELEASE demo_data;", nullptr, nullptr,
                 nullptr);
    throw;
  }
  ExecScript(db, "RELEASE demo_data;");
}

}  // namespace vdimpexp::schema
