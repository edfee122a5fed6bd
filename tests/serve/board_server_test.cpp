// The browser board's API, spoken to over loopback HTTP as the page does.
#include "serve/board_server.hpp"

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "classic/book/book_test_support.hpp"
#include "serve/move_request.hpp"
#include "serve/web_assets.hpp"

namespace pentad::serve {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

std::vector<std::string> EmptyLines() {
  return std::vector<std::string>(20, std::string(20, '-'));
}

// x at (9,9), o at (10,9), x at (9,10): a position with three stones.
std::vector<std::string> OpeningLines() {
  auto lines = EmptyLines();
  lines[9][9] = 'x';
  lines[9][10] = 'o';
  lines[10][9] = 'x';
  return lines;
}

// A request for the classic engine, whose answers these tests know.
Json MoveBody(const std::vector<std::string>& lines, const std::string& side) {
  return Json{{"board", lines}, {"side", side}, {"engine", "classic"}};
}

// An engine whose decisions a test writes, for every kind.
class ScriptedEngine : public engine::Engine {
 public:
  using Script = std::function<engine::Result(const engine::Request&)>;
  ScriptedEngine(engine::EngineKind kind, Script script)
      : kind_(kind), script_(std::move(script)) {}
  engine::EngineKind Kind() const override { return kind_; }
  engine::Result Decide(const engine::Request& request) override { return script_(request); }

 private:
  engine::EngineKind kind_;
  Script script_;
};

ServerSettings Scripted(const ScriptedEngine::Script& script) {
  ServerSettings settings;
  settings.makeEngine = [script](const engine::EngineOptions& options) {
    return std::make_unique<ScriptedEngine>(options.kind, script);
  };
  settings.enginesPerKind = 2;
  return settings;
}

engine::Result MoveAt(Point move) {
  engine::Result result;
  result.move = move;
  return result;
}

class RunningServer {
 public:
  explicit RunningServer(ServerSettings settings = {}) : server_(std::move(settings)) {
    const auto port = server_.Bind("127.0.0.1", 0);
    if (!port) throw std::runtime_error("cannot bind a loopback port");
    port_ = *port;
    thread_ = std::thread([this] { server_.Listen(); });
  }
  ~RunningServer() {
    server_.Stop();
    thread_.join();
  }

  httplib::Result Post(const std::string& body) {
    return Client().Post("/api/move", body, "application/json");
  }
  httplib::Result StartAnalysis(const std::string& body) {
    return Client().Post("/api/analysis", body, "application/json");
  }
  httplib::Result Delete(const std::string& path) { return Client().Delete(path.c_str()); }
  httplib::Result Get(const std::string& path) {
    httplib::Client client = Client();
    client.set_url_encode(false);  // paths go out byte for byte
    return client.Get(path.c_str());
  }
  void Stop() { server_.Stop(); }
  int Port() const { return port_; }

 private:
  httplib::Client Client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(30, 0);
    return client;
  }

  BoardServer server_;
  int port_ = 0;
  std::thread thread_;
};

bool EmptyAt(const std::vector<std::string>& lines, const Json& move) {
  const int x = move.at(0), y = move.at(1);
  return x >= 0 && x < 20 && y >= 0 && y < 20 && lines[y][x] == '-';
}

TEST(BoardServerMove, AnswersTheDecisionWithTheAnalyzeFieldsAndTheCells) {
  RunningServer server;
  Json body = MoveBody(OpeningLines(), "o");
  body["seed"] = 7;
  body["checks"] = 2000;
  const auto res = server.Post(body.dump());
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  EXPECT_EQ(res->get_header_value("Content-Type"), "application/json");
  const Json answer = Json::parse(res->body);
  for (const char* field : {"stones", "side", "seed", "checks", "move", "depth", "timeChecks",
                            "elapsedMs", "candidates", "book", "stage", "line", "cells"})
    EXPECT_TRUE(answer.contains(field)) << field;
  EXPECT_EQ(answer["stones"], 3);
  EXPECT_EQ(answer["side"], 2);
  EXPECT_EQ(answer["seed"], 7);
  EXPECT_EQ(answer["checks"], 2000);
  EXPECT_TRUE(EmptyAt(OpeningLines(), answer["move"])) << answer["move"];
  ASSERT_EQ(answer["cells"].size(), 400u);
  // x-major, then the stone read from line 10, column 9.
  EXPECT_EQ(answer["cells"][9 * 20 + 10][0], 9);
  EXPECT_EQ(answer["cells"][9 * 20 + 10][1], 10);
  EXPECT_EQ(answer["cells"][9 * 20 + 10][2], 1);
  EXPECT_EQ(answer["cells"][10 * 20 + 9][2], 2);
}

TEST(BoardServerMove, RepeatsItsAnswerForTheSeedItReported) {
  RunningServer server;
  Json body = MoveBody(OpeningLines(), "o");
  body["checks"] = 2000;
  const auto first = server.Post(body.dump());
  ASSERT_TRUE(first);
  ASSERT_EQ(first->status, 200) << first->body;
  Json firstAnswer = Json::parse(first->body);
  body["seed"] = firstAnswer["seed"];
  const auto second = server.Post(body.dump());
  ASSERT_TRUE(second);
  Json secondAnswer = Json::parse(second->body);
  firstAnswer.erase("elapsedMs");
  secondAnswer.erase("elapsedMs");
  EXPECT_EQ(firstAnswer, secondAnswer);
}

TEST(BoardServerMove, PlaysTheCentreOfAnEmptyBoardForEitherSide) {
  RunningServer server;
  for (const char* side : {"x", "o"}) {
    const auto res = server.Post(MoveBody(EmptyLines(), side).dump());
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(Json::parse(res->body)["move"], Json::array({9, 9})) << side;
  }
}

struct BadRequestCase {
  const char* name;
  std::string body;
  const char* messagePart;
};

std::string WithBoard(const Json& board, const Json& side = "x") {
  return Json{{"board", board}, {"side", side}}.dump();
}

std::string WithField(const char* name, const Json& value) {
  Json body = MoveBody(OpeningLines(), "o");
  body[name] = value;
  return body.dump();
}

// The field as it is written, for numbers that no JSON value can hold.
std::string WithRawField(const char* name, const std::string& text) {
  std::string body = MoveBody(OpeningLines(), "o").dump();
  body.pop_back();
  return body + ",\"" + name + "\":" + text + "}";
}

std::vector<BadRequestCase> BadRequests() {
  auto shortLine = OpeningLines();
  shortLine[4].pop_back();
  auto longLine = OpeningLines();
  longLine[19] += "-";
  auto capital = OpeningLines();
  capital[3][5] = 'X';
  auto full = std::vector<std::string>(20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) full[y] += (x / 2 + y) % 2 ? 'x' : 'o';
  Json notStrings = OpeningLines();
  notStrings[2] = 17;
  Json board19 = OpeningLines();
  board19.erase(board19.begin());
  Json noSide = Json{{"board", OpeningLines()}};
  return {
      {"malformed JSON", "{\"board\": [", "malformed JSON"},
      {"empty body", "", "malformed JSON"},
      {"not an object", "[1, 2]", "JSON object"},
      {"no board", "{\"side\": \"x\"}", "\"board\" is missing"},
      {"board not an array", WithBoard("--------"), "array of 20 strings"},
      {"19 lines", WithBoard(board19), "array of 20 strings"},
      {"a line not a string", WithBoard(notStrings), "board line 2 is not a string"},
      {"a short line", WithBoard(shortLine), "board line 4 has 19 characters"},
      {"a long line", WithBoard(longLine), "board line 19 has 21 characters"},
      {"a capital X", WithBoard(capital), "board line 3 holds an invalid character at column 5"},
      {"a full board", WithBoard(full), "full"},
      {"no side", noSide.dump(), "\"side\" is missing"},
      {"side y", WithBoard(OpeningLines(), "y"), "\"side\" must be"},
      {"side as a number", WithBoard(OpeningLines(), 1), "\"side\" must be"},
      {"side xo", WithBoard(OpeningLines(), "xo"), "\"side\" must be"},
      {"negative seed", WithField("seed", -1), "\"seed\" must be an integer"},
      {"seed over 32 bits", WithField("seed", 4294967296LL), "\"seed\" must be an integer"},
      {"seed as text", WithField("seed", "5"), "\"seed\" must be an integer"},
      {"fractional checks", WithField("checks", 2.5), "\"checks\" must be an integer"},
      {"negative checks", WithField("checks", -3), "\"checks\" must be an integer"},
      {"a body over 64 KiB", WithField("padding", std::string(70 * 1024, ' ')), "64 KiB"},
      {"invalid UTF-8", "{\"side\": \"\xc0\xaf\"}", "not valid UTF-8"},
      {"checks past a double", WithRawField("checks", "1e400"), "too large"},
      {"an unknown engine", WithField("engine", "deep"), "\"engine\" must be"},
      {"engine as a number", WithField("engine", 2), "\"engine\" must be"},
      {"nodes for the classic engine", WithField("nodes", 100), "strong engine only"},
      {"nodes past the cap",
       Json{{"board", OpeningLines()}, {"side", "o"}, {"nodes", kMaxNodes + 1}}.dump(),
       "\"nodes\" must be an integer in 1..100000000"},
      {"a move time of 0", WithField("moveTimeMs", 0), "\"moveTimeMs\" must be"},
      {"seed past a double", WithRawField("seed", "-1e400"), "too large"},
  };
}

TEST(BoardServerMove, RejectsEachKindOfBadRequestWithAnExplanation) {
  RunningServer server;
  for (const BadRequestCase& c : BadRequests()) {
    SCOPED_TRACE(c.name);
    const auto res = server.Post(c.body);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 400);
    EXPECT_EQ(res->get_header_value("Content-Type"), "application/json");
    const Json answer = Json::parse(res->body, nullptr, false);
    ASSERT_TRUE(answer.is_object()) << res->body;
    ASSERT_TRUE(answer["error"].is_string()) << res->body;
    EXPECT_NE(answer["error"].get<std::string>().find(c.messagePart), std::string::npos)
        << answer["error"];
  }
}

// The opponent (x) has a four closed at one end: o must block at (9, 12).
TEST(BoardServerMove, AnswersWithTheStrongEngineItsEvaluationAndLine) {
  RunningServer server;
  auto lines = EmptyLines();
  lines[12].replace(4, 5, "oxxxx");
  lines[5][10] = 'o';
  Json body = MoveBody(lines, "o");
  body.erase("engine");  // the strong engine answers unless told otherwise
  body["nodes"] = 5000;
  const auto res = server.Post(body.dump());
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  const Json answer = Json::parse(res->body);
  for (const char* field :
       {"engine", "move", "eval", "result", "depth", "nodes", "pv", "elapsedMs"})
    EXPECT_TRUE(answer.contains(field)) << field;
  EXPECT_EQ(answer["engine"], "strong");
  EXPECT_EQ(answer["move"], Json::array({9, 12}));
  EXPECT_TRUE(answer["eval"].is_number_integer());
  ASSERT_FALSE(answer["pv"].empty());
  EXPECT_EQ(answer["pv"][0], answer["move"]);
  body["seed"] = 3;
  const auto refused = server.Post(body.dump());
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 400) << refused->body;
}

TEST(BoardServerMove, AcceptsNullForTheOptionalFields) {
  RunningServer server;
  Json body = MoveBody(OpeningLines(), "o");
  body["seed"] = nullptr;
  body["checks"] = 500;
  const auto res = server.Post(body.dump());
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200) << res->body;
}

TEST(BoardServerPages, ServesEveryFileOfThePageAndNothingElse) {
  RunningServer server;
  for (const web::Asset& asset : web::kAssets) {
    const auto res = server.Get(std::string(asset.path));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << asset.path;
    EXPECT_EQ(res->body, asset.bytes) << asset.path;
  }
  const auto index = server.Get("/");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->status, 200);
  EXPECT_EQ(index->get_header_value("Content-Type"), "text/html; charset=utf-8");

  for (const char* path : {"/nope", "/api/other", "/index.html/x", "/../CMakeLists.txt"}) {
    const auto res = server.Get(path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404) << path;
    EXPECT_TRUE(Json::parse(res->body, nullptr, false).contains("error")) << path;
  }
  const auto getMove = server.Get("/api/move");
  ASSERT_TRUE(getMove);
  EXPECT_EQ(getMove->status, 405);
}

TEST(BoardServerPages, AnswersAPathThatIsNotUtf8AndServesOn) {
  RunningServer server;
  const auto res = server.Get("/%c0");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 404);
  EXPECT_TRUE(Json::parse(res->body, nullptr, false).contains("error")) << res->body;
  const auto page = server.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
}

// A TCP connection to the server, for the requests the HTTP client will not
// make: any Host, none at all, or one that never ends.
class RawConnection {
 public:
  explicit RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval limit{10, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  }
  ~RawConnection() { close(fd_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  void Send(const std::string& bytes) { send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

  // The status of the answer, read until the server closes; 0 for none.
  int Status() {
    std::string answer;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = recv(fd_, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, got);
    if (!answer.starts_with("HTTP/1.1 ") || answer.size() < 12) return 0;
    return std::stoi(answer.substr(9, 3));
  }

  // Segments this side had to send again: a connection the server's listen
  // queue had no room for waits a second for its retry.
  unsigned Retransmissions() const {
    tcp_info info{};
    socklen_t size = sizeof info;
    getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size);
    return info.tcpi_total_retrans;
  }

 private:
  int fd_;
};

int StatusOf(int port, const std::string& request) {
  RawConnection connection(port);
  connection.Send(request);
  return connection.Status();
}

struct AddressingCase {
  const char* name;
  std::string request;
  int status;
};

TEST(BoardServerOrigin, ServesOnlyItsOwnHostNamesAndTakesMovesOnlyAsJson) {
  RunningServer server(Scripted([](const engine::Request&) { return MoveAt({0, 0}); }));
  const std::string port = std::to_string(server.Port());
  const auto get = [](const std::string& host) {
    return "GET / HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
  };
  const auto post = [&](const std::string& contentType, const std::string& host) {
    const std::string body = MoveBody(OpeningLines(), "o").dump();
    return "POST /api/move HTTP/1.1\r\nHost: " + host + "\r\n" +
           (contentType.empty() ? "" : "Content-Type: " + contentType + "\r\n") +
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
  };
  const std::string own = "127.0.0.1:" + port;
  const std::vector<AddressingCase> cases = {
      {"127.0.0.1", get(own), 200},
      {"localhost", get("localhost:" + port), 200},
      {"LOCALHOST", get("LOCALHOST:" + port), 200},
      {"[::1]", get("[::1]:" + port), 200},
      {"a rebound name", get("rebound.example:" + port), 421},
      {"a loopback name without the port", get("localhost"), 421},
      {"another port", get("127.0.0.1:" + std::to_string(server.Port() + 1)), 421},
      {"no Host", "GET / HTTP/1.0\r\n\r\n", 421},
      {"a move as JSON", post("application/json", own), 200},
      {"a move as JSON in UTF-8", post("Application/JSON; charset=utf-8", own), 200},
      {"a move as a form", post("application/x-www-form-urlencoded", own), 415},
      {"a move as text", post("text/plain", own), 415},
      {"a move without a type", post("", own), 415},
      {"a move to a rebound name", post("application/json", "rebound.example:" + port), 421},
  };
  for (const AddressingCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StatusOf(server.Port(), c.request), c.status);
  }
}

TEST(BoardServerConnections, SlowClientsDoNotHoldUpThePageAndABurstIsTaken) {
  RunningServer server;
  std::vector<std::unique_ptr<RawConnection>> slow;
  for (int i = 0; i < 20; ++i) {
    slow.push_back(std::make_unique<RawConnection>(server.Port()));
    slow.back()->Send("GET / HTTP/1.1\r\nHost: 127.0.0.1");  // never ended
  }
  std::this_thread::sleep_for(200ms);  // the server has taken them all in
  const auto start = std::chrono::steady_clock::now();
  const auto page = server.Get("/");
  const auto waited = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_LT(waited, 2500ms);

  const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                              "\r\nConnection: close\r\n\r\n";
  std::vector<std::future<bool>> burst;
  for (int i = 0; i < 64; ++i)
    burst.push_back(std::async(std::launch::async, [&] {
      RawConnection connection(server.Port());
      connection.Send(request);
      return connection.Status() == 200 && connection.Retransmissions() == 0;
    }));
  int answeredAtOnce = 0;
  for (auto& answered : burst) answeredAtOnce += answered.get();
  EXPECT_EQ(answeredAtOnce, 64);
}

// Clients that send a byte now and then never finish a request: each is cut
// off at the request's deadline, and the page is served meanwhile.
TEST(BoardServerConnections, DrippingClientsAreCutOffAtTheRequestDeadline) {
  ServerSettings settings = Scripted([](const engine::Request&) { return MoveAt({0, 0}); });
  settings.threads = 4;
  settings.requestDeadline = 500ms;
  RunningServer server(settings);
  std::vector<std::unique_ptr<RawConnection>> drips;
  for (int i = 0; i < 8; ++i) drips.push_back(std::make_unique<RawConnection>(server.Port()));
  std::atomic<bool> dripping{true};
  std::thread dripper([&] {
    const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
    for (size_t at = 0; dripping && at < 200; ++at) {
      for (auto& drip : drips) drip->Send(std::string(1, at < request.size() ? request[at] : 'a'));
      std::this_thread::sleep_for(100ms);
    }
  });
  std::this_thread::sleep_for(200ms);  // every worker holds a dripping client
  const auto start = std::chrono::steady_clock::now();
  const auto page = server.Get("/");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  for (auto& drip : drips) {
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(drip->Status(), 0);  // closed without an answer
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s) << "a dripping client was kept";
  }
  dripping = false;
  dripper.join();
}

// Lets a fixed number of callers through only once all of them are inside.
class Gate {
 public:
  explicit Gate(int expected) : expected_(expected) {}
  bool ArriveAndWait() {
    std::unique_lock lock(mutex_);
    ++arrived_;
    changed_.notify_all();
    return changed_.wait_for(lock, 10s, [this] { return arrived_ >= expected_; });
  }
  bool WaitUntilArrived(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return arrived_ >= count; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int expected_;
  int arrived_ = 0;
};

TEST(BoardServerConcurrency, RunsTwoDecisionsAtOnceAndStillServesThePage) {
  Gate bothInside(3);  // the two decisions and the page fetched meanwhile
  RunningServer server(Scripted([&](const engine::Request& request) {
    Point move{request.position.stones.At(0, 0) == kEmpty ? 0 : 1, 0};
    if (!bothInside.ArriveAndWait()) move.x = -1;  // reported below as a failure
    return MoveAt(move);
  }));
  auto first = std::async(std::launch::async,
                          [&] { return server.Post(MoveBody(OpeningLines(), "o").dump()); });
  auto second = std::async(std::launch::async,
                           [&] { return server.Post(MoveBody(OpeningLines(), "o").dump()); });
  ASSERT_TRUE(bothInside.WaitUntilArrived(2)) << "the second decision waited for the first";
  const auto page = server.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  bothInside.ArriveAndWait();
  for (auto* answer : {&first, &second}) {
    const auto res = answer->get();
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(Json::parse(res->body)["move"], Json::array({0, 0}));
  }
}

// A request waits for a busy engine at most half its move time, then hears
// why it got none; the wait counts against its move time.
TEST(BoardServerConcurrency, NoEngineFreeInTimeIsA503WithAReason) {
  std::promise<void> holding;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ServerSettings settings = Scripted([&](const engine::Request& request) {
    if (request.position.stones.At(0, 0) != kEmpty) {
      holding.set_value();
      released.wait_for(10s);
    }
    return MoveAt({1, 1});
  });
  settings.enginesPerKind = 1;
  RunningServer server(settings);
  auto corner = OpeningLines();
  corner[0].replace(0, 2, "xo");
  const Json holder = MoveBody(corner, "o");
  auto first = std::async(std::launch::async, [&] { return server.Post(holder.dump()); });
  holding.get_future().wait();
  Json waiter = MoveBody(OpeningLines(), "o");
  waiter["moveTimeMs"] = 400;
  const auto start = std::chrono::steady_clock::now();
  const auto refused = server.Post(waiter.dump());
  const auto waited = std::chrono::steady_clock::now() - start;
  release.set_value();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  EXPECT_NE(
      Json::parse(refused->body)["error"].get<std::string>().find("classic engine is deciding"),
      std::string::npos)
      << refused->body;
  EXPECT_GE(waited, 150ms);
  EXPECT_LT(waited, 2s);
  ASSERT_TRUE(first.get());
  const auto later = server.Post(waiter.dump());
  ASSERT_TRUE(later);
  EXPECT_EQ(later->status, 200);
}

TEST(BoardServerConcurrency, TwoRealDecisionsAtOnceBothAnswer) {
  RunningServer server;
  Json body = MoveBody(OpeningLines(), "o");
  body["checks"] = 3000;
  auto first = std::async(std::launch::async, [&] { return server.Post(body.dump()); });
  auto second = std::async(std::launch::async, [&] { return server.Post(body.dump()); });
  for (auto* answer : {&first, &second}) {
    const auto res = answer->get();
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_TRUE(EmptyAt(OpeningLines(), Json::parse(res->body)["move"]));
  }
}

// A book in the server's working directory that plays (9,12) in the opening
// position: read only when named with --book-dir.
TEST(BoardServerBook, ReadsNoBookUnlessGivenABookDirectory) {
  classic::book::testing::TempDir dir;
  std::vector<std::unique_ptr<classic::book::OpeningRecord>> records;
  records.push_back(classic::book::testing::RecordOf({{10, 9}}, {{9, 9}, {9, 10}}, 9, 12, 1000, 0));
  classic::book::testing::WriteFile(dir.path() / "Veklo.ob2",
                                    classic::book::testing::BookFileBytes(std::move(records)));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  Json body = MoveBody(OpeningLines(), "o");
  body["seed"] = 1;
  body["checks"] = 1000;
  const auto moveWith = [&](ServerSettings settings) {
    RunningServer server(std::move(settings));
    const auto res = server.Post(body.dump());
    return res && res->status == 200 ? Json::parse(res->body)["move"] : Json();
  };
  const Json withBook = moveWith(ServerSettings{.bookDir = dir.path()});
  const Json withoutBook = moveWith(ServerSettings{});
  std::filesystem::current_path(previous);
  EXPECT_EQ(withBook, Json::array({9, 12})) << "the book must matter here";
  EXPECT_TRUE(EmptyAt(OpeningLines(), withoutBook));
  EXPECT_NE(withoutBook, Json::array({9, 12}));
}

TEST(BoardServerStop, EndsADecisionInProgressAsIfItsTimeWereUp) {
  std::promise<void> started;
  RunningServer server(Scripted([&](const engine::Request& request) {
    started.set_value();
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!request.limits.stop->load() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
    return MoveAt({0, 0});
  }));
  auto answer = std::async(std::launch::async,
                           [&] { return server.Post(MoveBody(OpeningLines(), "o").dump()); });
  started.get_future().wait();
  const auto before = std::chrono::steady_clock::now();
  server.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  const auto res = answer.get();
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
}

TEST(BoardServerStop, StopBeforeListenMakesListenReturnAtOnce) {
  BoardServer server(ServerSettings{});
  ASSERT_TRUE(server.Bind("127.0.0.1", 0));
  server.Stop();
  auto listening = std::async(std::launch::async, [&] { server.Listen(); });
  EXPECT_EQ(listening.wait_for(5s), std::future_status::ready);
}

// Reports a deeper depth every few milliseconds, with as many lines as
// asked for, until stopped.
engine::Result DeepenUntilStopped(const engine::Request& request) {
  const auto giveUp = std::chrono::steady_clock::now() + 20s;
  int depth = 0;
  while (!request.limits.stop->load() && std::chrono::steady_clock::now() < giveUp) {
    engine::Progress progress;
    progress.depth = ++depth;
    progress.selDepth = depth + 2;
    progress.nodes = depth * 1000;
    for (int i = 0; i < request.multiPv; ++i)
      progress.lines.push_back({Point{i, 0}, 100 - 50 * i, {Point{i, 0}, Point{i, 1}}});
    request.onProgress(progress);
    std::this_thread::sleep_for(5ms);
  }
  return MoveAt({0, 0});
}

Json AnalysisBody(const std::vector<std::string>& lines, const std::string& side, int multiPv) {
  return Json{{"board", lines}, {"side", side}, {"multiPv", multiPv}};
}

// Polls the analysis until `done` holds of its snapshot; null when it
// never does within a minute (a sanitized engine is slow).
Json PollUntil(RunningServer& server, const std::string& id,
               const std::function<bool(const Json&)>& done) {
  const auto giveUp = std::chrono::steady_clock::now() + 60s;
  while (std::chrono::steady_clock::now() < giveUp) {
    const auto res = server.Get("/api/analysis/" + id);
    if (!res || res->status != 200) return nullptr;
    const Json snapshot = Json::parse(res->body);
    if (done(snapshot)) return snapshot;
    std::this_thread::sleep_for(20ms);
  }
  return nullptr;
}

std::string StartedId(const httplib::Result& res) {
  if (!res || res->status != 201) return "";
  return Json::parse(res->body)["id"];
}

TEST(BoardServerAnalysis, ReportsEachFinishedDepthUntilStopped) {
  RunningServer server(Scripted(DeepenUntilStopped));
  const auto started = server.StartAnalysis(AnalysisBody(OpeningLines(), "o", 2).dump());
  ASSERT_TRUE(started);
  ASSERT_EQ(started->status, 201) << started->body;
  const std::string id = StartedId(started);
  EXPECT_EQ(started->get_header_value("Location"), "/api/analysis/" + id);
  const Json snapshot = PollUntil(server, id, [](const Json& s) { return s["depth"] >= 3; });
  ASSERT_TRUE(snapshot.is_object());
  EXPECT_EQ(snapshot["id"], id);
  EXPECT_EQ(snapshot["running"], true);
  EXPECT_EQ(snapshot["side"], "o");
  EXPECT_EQ(snapshot["multiPv"], 2);
  EXPECT_EQ(snapshot["selDepth"], snapshot["depth"].get<int>() + 2);
  EXPECT_EQ(snapshot["nodes"], snapshot["depth"].get<int>() * 1000);
  EXPECT_TRUE(snapshot["elapsedMs"].is_number_integer());
  ASSERT_EQ(snapshot["lines"].size(), 2u);
  EXPECT_EQ(snapshot["lines"][0]["move"], Json::array({0, 0}));
  EXPECT_EQ(snapshot["lines"][1]["eval"], 50);
  EXPECT_EQ(snapshot["lines"][1]["result"], nullptr);
  EXPECT_GT(snapshot["lines"][0]["winRate"], snapshot["lines"][1]["winRate"]);
  EXPECT_EQ(snapshot["lines"][1]["pv"], Json::parse("[[1, 0], [1, 1]]"));

  const auto stopped = server.Delete("/api/analysis/" + id);
  ASSERT_TRUE(stopped);
  EXPECT_EQ(stopped->status, 200);
  EXPECT_EQ(Json::parse(stopped->body)["running"], false);
  for (const std::string& gone : {id, std::string("12345"), std::string("x")}) {
    const auto res = server.Get("/api/analysis/" + gone);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404) << gone;
    EXPECT_TRUE(Json::parse(res->body).contains("error")) << gone;
  }
  const auto again = server.Delete("/api/analysis/" + id);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 404);
}

// With one engine for analyses, a second analysis waits for the first to
// stop, and is told why when it does not.
TEST(BoardServerAnalysis, OneAnalysisPerEngineAndABusyServerSaysWhy) {
  ServerSettings settings = Scripted(DeepenUntilStopped);
  settings.analysis.engineWait = 300ms;
  RunningServer server(settings);
  const std::string body = AnalysisBody(OpeningLines(), "x", 1).dump();
  const std::string first = StartedId(server.StartAnalysis(body));
  ASSERT_FALSE(first.empty());
  const auto refused = server.StartAnalysis(body);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  EXPECT_EQ(refused->get_header_value("Retry-After"), "1");
  EXPECT_NE(Json::parse(refused->body)["error"].get<std::string>().find("busy"), std::string::npos);
  auto replacing = std::async(std::launch::async, [&] { return server.StartAnalysis(body); });
  std::this_thread::sleep_for(50ms);
  server.Delete("/api/analysis/" + first);
  EXPECT_FALSE(StartedId(replacing.get()).empty()) << "the stopped analysis kept its engine";
}

// A closed tab stops asking: its analysis ends, then is forgotten. Stopping
// the server ends every analysis.
TEST(BoardServerAnalysis, EndsUnwatchedAndWhenTheServerStops) {
  std::atomic<int> ended{0};
  ServerSettings settings = Scripted([&](const engine::Request& request) {
    const engine::Result result = DeepenUntilStopped(request);
    ++ended;
    return result;
  });
  settings.analysis.unwatched = 300ms;
  RunningServer server(settings);
  const std::string body = AnalysisBody(OpeningLines(), "x", 1).dump();
  const std::string unwatched = StartedId(server.StartAnalysis(body));
  ASSERT_FALSE(unwatched.empty());
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(ended, 1);
  const auto forgotten = server.Get("/api/analysis/" + unwatched);
  ASSERT_TRUE(forgotten);
  EXPECT_EQ(forgotten->status, 404);

  const std::string watched = StartedId(server.StartAnalysis(body));
  ASSERT_FALSE(watched.empty());
  ASSERT_TRUE(
      PollUntil(server, watched, [](const Json& s) { return s["depth"] >= 1; }).is_object());
  const auto before = std::chrono::steady_clock::now();
  server.Stop();
  while (ended < 2 && std::chrono::steady_clock::now() - before < 5s)
    std::this_thread::sleep_for(5ms);
  EXPECT_EQ(ended, 2);
}

TEST(BoardServerAnalysis, RefusesWhatItCannotAnalyse) {
  RunningServer server(Scripted(DeepenUntilStopped));
  Json classic = AnalysisBody(OpeningLines(), "x", 1);
  classic["engine"] = "classic";
  const std::vector<BadRequestCase> cases = {
      {"no lines", AnalysisBody(OpeningLines(), "x", 0).dump(), "\"multiPv\" must be"},
      {"six lines", AnalysisBody(OpeningLines(), "x", 6).dump(), "\"multiPv\" must be"},
      {"the classic engine", classic.dump(), "strong engine only"},
      {"no side", Json{{"board", OpeningLines()}}.dump(), "\"side\" is missing"},
      {"malformed JSON", "{", "malformed JSON"},
  };
  for (const BadRequestCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto res = server.StartAnalysis(c.body);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 400);
    EXPECT_NE(Json::parse(res->body)["error"].get<std::string>().find(c.messagePart),
              std::string::npos)
        << res->body;
  }
  const std::string own = "127.0.0.1:" + std::to_string(server.Port());
  const std::string form = AnalysisBody(OpeningLines(), "x", 1).dump();
  EXPECT_EQ(StatusOf(server.Port(), "POST /api/analysis HTTP/1.1\r\nHost: " + own +
                                        "\r\nContent-Type: text/plain\r\nContent-Length: " +
                                        std::to_string(form.size()) +
                                        "\r\nConnection: close\r\n\r\n" + form),
            415);
  EXPECT_EQ(
      StatusOf(server.Port(), "DELETE /api/analysis/1 HTTP/1.1\r\nHost: rebound.example:" +
                                  std::to_string(server.Port()) + "\r\nConnection: close\r\n\r\n"),
      421);
  const auto list = server.Get("/api/analysis");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->status, 405);
}

// The real engine, on a few lines of the opening: whatever multi-PV gives,
// the lines are distinct and the best one starts with a legal move.
TEST(BoardServerAnalysis, TheStrongEngineFollowsItsBestLines) {
  RunningServer server;
  const std::string id =
      StartedId(server.StartAnalysis(AnalysisBody(OpeningLines(), "o", 3).dump()));
  ASSERT_FALSE(id.empty());
  const Json snapshot =
      PollUntil(server, id, [](const Json& s) { return s["depth"] >= 2 && !s["lines"].empty(); });
  server.Delete("/api/analysis/" + id);
  ASSERT_TRUE(snapshot.is_object());
  const Json& lines = snapshot["lines"];
  ASSERT_GE(lines.size(), 1u);
  ASSERT_LE(lines.size(), 3u);
  EXPECT_TRUE(EmptyAt(OpeningLines(), lines[0]["move"])) << lines[0];
  std::set<Json> moves;
  for (const Json& line : lines) {
    moves.insert(line["move"]);
    ASSERT_FALSE(line["pv"].empty());
    EXPECT_EQ(line["pv"][0], line["move"]);
    EXPECT_GE(line["winRate"], 0.0);
    EXPECT_LE(line["winRate"], 1.0);
  }
  EXPECT_EQ(moves.size(), lines.size()) << lines;
}

TEST(BoardServerAddress, PrintsIpv6HostsInBrackets) {
  EXPECT_EQ(ListenAddress("127.0.0.1", 8020), "http://127.0.0.1:8020/");
  EXPECT_EQ(ListenAddress("::1", 80), "http://[::1]:80/");
}

}  // namespace
}  // namespace pentad::serve
