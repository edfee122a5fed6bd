#include "serve/board_server.hpp"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "analysis/analysis_json.hpp"
#include "serve/analysis_request.hpp"
#include "serve/move_request.hpp"
#include "serve/request_deadlines.hpp"
#include "serve/request_guard.hpp"
#include "serve/web_assets.hpp"

namespace pentad::serve {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kJsonType = "application/json";

// Messages may quote what a client sent, which need not be UTF-8; the
// replacement character stands in for such bytes instead of an exception.
void SendError(httplib::Response& res, int status, const std::string& message) {
  res.status = status;
  Json error;
  error["error"] = message;
  res.set_content(error.dump(-1, ' ', false, Json::error_handler_t::replace), kJsonType);
}

// The page only ever talks to its own origin; say so to the browser.
const httplib::Headers& SecurityHeaders() {
  static const httplib::Headers headers = {
      {"X-Content-Type-Options", "nosniff"},
      {"Content-Security-Policy",
       "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
       "frame-ancestors 'none'"},
      {"Cache-Control", "no-cache"},
  };
  return headers;
}

// The library's default also sets SO_REUSEPORT, which lets a second server
// bind a port already in use and share its requests.
void ReuseAddressOnly(socket_t sock) {
  const int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// A silent or idle client holds a worker only this long between two reads
// (a slow one, for the request's deadline), and there are workers enough
// for a browser's connections besides them; a request's headers and its
// small body come at once from any client that means it.
constexpr time_t kReadTimeoutSeconds = 1;
constexpr time_t kKeepAliveSeconds = 1;
constexpr size_t kRequestsPerConnection = 10;
// Tables of each of the pool's strong engines.
constexpr size_t kStrongHashBytes = size_t{16} << 20;
// An analysis searches for minutes: its engine gets the tables a brain has.
constexpr size_t kAnalysisHashBytes = size_t{64} << 20;

}  // namespace

struct BoardServer::Impl {
  ServerSettings settings;
  httplib::Server http;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> listenStarted{false};
  std::atomic<bool> listenEnded{false};
  std::atomic<bool> stopSent{false};
  classic::book::BookCache books;  // shared by the engines, reloaded when a file changes
  EnginePool engines;
  Analyses analyses;
  RequestDeadlines deadlines;
  socket_t lastSocketMade = INVALID_SOCKET;
  std::string listenHost;
  int listenPort = 0;

  explicit Impl(ServerSettings s)
      : settings(std::move(s)),
        engines(settings.enginesPerKind, settings.maxWaitingPerKind, PoolOptions(),
                settings.makeEngine),
        analyses(settings.analysis, AnalysisEngines()),
        deadlines(settings.requestDeadline) {
    const int threads = settings.threads;
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http.set_default_headers(SecurityHeaders());
    http.set_payload_max_length(kMaxRequestBytes);
    http.set_read_timeout(kReadTimeoutSeconds, 0);
    http.set_keep_alive_timeout(kKeepAliveSeconds);
    http.set_keep_alive_max_count(kRequestsPerConnection);
    http.set_socket_options([this](socket_t sock) {
      ReuseAddressOnly(sock);
      lastSocketMade = sock;
    });
    http.set_logger([this](const httplib::Request& req, const httplib::Response&) {
      deadlines.AnswerSent(req.remote_addr, req.remote_port);
    });
    http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      deadlines.RequestRead(req.remote_addr, req.remote_port);
      if (NamesThisServer(req.get_header_value("Host"), listenHost, listenPort))
        return httplib::Server::HandlerResponse::Unhandled;
      SendError(res, 421,
                "this server answers only as " + ListenAddress(listenHost, listenPort) +
                    " or as localhost on that port");
      return httplib::Server::HandlerResponse::Handled;
    });
    http.Post("/api/move", [this](const httplib::Request& req, httplib::Response& res) {
      AnswerMove(req, res);
    });
    http.Get("/api/move", [](const httplib::Request&, httplib::Response& res) {
      SendError(res, 405, "use POST with the position as JSON");
    });
    http.Post("/api/analysis", [this](const httplib::Request& req, httplib::Response& res) {
      StartAnalysis(req, res);
    });
    http.Get("/api/analysis", [](const httplib::Request&, httplib::Response& res) {
      SendError(res, 405, "use POST with the position as JSON to start an analysis");
    });
    http.Get(kAnalysisPath, [this](const httplib::Request& req, httplib::Response& res) {
      SendAnalysis(res, analyses.Find(req.matches[1].str()), req.matches[1].str());
    });
    http.Delete(kAnalysisPath, [this](const httplib::Request& req, httplib::Response& res) {
      SendAnalysis(res, analyses.Stop(req.matches[1].str()), req.matches[1].str());
    });
    http.Get(".*",
             [](const httplib::Request& req, httplib::Response& res) { ServeAsset(req, res); });
    http.set_error_handler(
        [](const httplib::Request& req, httplib::Response& res) { ExplainError(req, res); });
    http.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
          SendError(res, 500, "the server failed on this request");
        });
  }

  static constexpr const char* kAnalysisPath = R"(/api/analysis/(\d{1,19}))";

  std::vector<std::unique_ptr<engine::Engine>> AnalysisEngines() const {
    engine::EngineOptions options;
    options.kind = engine::EngineKind::kStrong;
    options.hashBytes = kAnalysisHashBytes;
    options.threads = AnalysisThreadsForThisMachine();
    std::vector<std::unique_ptr<engine::Engine>> made;
    for (int i = 0; i < settings.analysis.engines; ++i)
      made.push_back(settings.makeEngine(options));
    return made;
  }

  engine::EngineOptions PoolOptions() {
    engine::EngineOptions options;
    options.bookDir = settings.bookDir;
    options.books = &books;
    options.hashBytes = kStrongHashBytes;
    return options;
  }

  // The library listens with a backlog of 5, and turns away connections
  // beyond it when requests come in a burst. Listening again on the bound
  // socket only lengthens its queue.
  void WidenListenBacklog() const {
    if (lastSocketMade != INVALID_SOCKET) ::listen(lastSocketMade, SOMAXCONN);
  }

  // The server keeps no game: a request borrows any free engine of its
  // kind, waiting while all of them are deciding. Its move time runs from
  // its arrival, the wait included, and bounds every budget; it waits at
  // most half of it, so that an engine has the other half to decide.
  void AnswerMove(const httplib::Request& req, httplib::Response& res) {
    const auto start = engine::Clock::now();
    if (!IsJsonContentType(req.get_header_value("Content-Type")))
      return SendError(res, 415, "send the position with Content-Type: application/json");
    const ParsedMoveRequest parsed = ParseMoveRequest(req.body);
    if (!parsed.request) return SendError(res, 400, parsed.error);
    const MoveRequest& move = *parsed.request;
    engine::Request request =
        engine::RequestFor(move.options, move.position, start, std::nullopt, &stopRequested);
    if (!request.limits.moveTime) request.limits.moveTime = engine::kDefaultMoveTime;
    // The classic engine's map of the board goes with its answer.
    request.wantCells = true;
    auto lease =
        engines.Borrow(move.options.kind, start + *request.limits.moveTime / 2, stopRequested);
    if (!lease) {
      res.set_header("Retry-After", "1");
      return SendError(res, 503,
                       std::string("every ") + engine::EngineName(move.options.kind) +
                           " engine is deciding for another request: try again in a moment");
    }
    const engine::Result result = lease->engine().Decide(request);
    res.set_content(analysis::ResultJson(request, result).dump(), kJsonType);
  }

  void StartAnalysis(const httplib::Request& req, httplib::Response& res) {
    if (!IsJsonContentType(req.get_header_value("Content-Type")))
      return SendError(res, 415, "send the position with Content-Type: application/json");
    const ParsedAnalysisRequest parsed = ParseAnalysisRequest(req.body);
    if (!parsed.request) return SendError(res, 400, parsed.error);
    const auto id = analyses.Start(*parsed.request);
    if (!id) {
      res.set_header("Retry-After", "1");
      return SendError(res, 503,
                       "every analysis engine is busy with another analysis: stop that one "
                       "or try again in a moment");
    }
    res.status = 201;
    res.set_header("Location", "/api/analysis/" + *id);
    SendAnalysis(res, analyses.Find(*id), *id);
  }

  static void SendAnalysis(httplib::Response& res, const std::optional<AnalysisSnapshot>& found,
                           const std::string& id) {
    if (!found)
      return SendError(res, 404,
                       "no analysis " + id + ": it ended and was forgotten, or never was");
    res.set_content(SnapshotJson(*found).dump(), kJsonType);
  }

  static void ServeAsset(const httplib::Request& req, httplib::Response& res) {
    const std::string path = req.path == "/" ? "/index.html" : req.path;
    for (const web::Asset& asset : web::kAssets) {
      if (asset.path != path) continue;
      res.set_content(asset.bytes.data(), asset.bytes.size(), ContentTypeOf(path));
      return;
    }
    res.status = 404;
  }

  static const char* ContentTypeOf(std::string_view path) {
    const auto endsWith = [&](std::string_view suffix) { return path.ends_with(suffix); };
    if (endsWith(".html")) return "text/html; charset=utf-8";
    if (endsWith(".css")) return "text/css; charset=utf-8";
    if (endsWith(".js") || endsWith(".mjs")) return "text/javascript; charset=utf-8";
    if (endsWith(".svg")) return "image/svg+xml";
    if (endsWith(".png")) return "image/png";
    if (endsWith(".json")) return "application/json";
    return "application/octet-stream";
  }

  // Runs for every answer of status 400 and above, including the ones the
  // library makes itself (an oversized body, an unknown path). Nothing
  // guards it: an exception here would end the process.
  static void ExplainError(const httplib::Request& req, httplib::Response& res) noexcept {
    try {
      ExplainErrorInJson(req, res);
    } catch (...) {
      res.body.clear();
    }
  }

  static void ExplainErrorInJson(const httplib::Request& req, httplib::Response& res) {
    if (res.status == 413) return SendError(res, 400, "the request body is over 64 KiB");
    if (!res.body.empty()) return;
    if (res.status == 404) return SendError(res, 404, "no such page: " + req.path);
    SendError(res, res.status, "the request failed with HTTP status " + std::to_string(res.status));
  }
};

BoardServer::BoardServer(ServerSettings settings)
    : impl_(std::make_unique<Impl>(std::move(settings))) {}

BoardServer::~BoardServer() {
  Stop();
}

std::optional<int> BoardServer::Bind(const std::string& host, int port) {
  std::optional<int> bound;
  if (port == 0) {
    const int any = impl_->http.bind_to_any_port(host);
    if (any > 0) bound = any;
  } else if (impl_->http.bind_to_port(host, port)) {
    bound = port;
  }
  if (!bound) return std::nullopt;
  impl_->WidenListenBacklog();
  impl_->listenHost = host;
  impl_->listenPort = *bound;
  return bound;
}

void BoardServer::Listen() {
  impl_->listenStarted = true;
  if (!impl_->stopRequested) {
    impl_->deadlines.Start(impl_->listenPort);
    impl_->http.listen_after_bind();
    impl_->deadlines.Stop();
  }
  impl_->listenEnded = true;
}

void BoardServer::Stop() {
  impl_->stopRequested = true;
  impl_->analyses.StopAll();
  if (!impl_->listenStarted) return;
  // The library ignores a stop that comes before its accept loop runs, and
  // must not be told twice.
  while (!impl_->listenEnded) {
    if (impl_->http.is_running() && !impl_->stopSent.exchange(true)) impl_->http.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string ListenAddress(const std::string& host, int port) {
  const bool ipv6 = host.find(':') != std::string::npos;
  return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
}

}  // namespace pentad::serve
