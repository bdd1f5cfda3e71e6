#include "uploader/testing/test_forum.h"

#include <zlib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace quillon::testing {
namespace {

// Owns a deflate stream and ends it when it goes.
class DeflateStream {
 public:
  DeflateStream() {
    // 15 + 16: a 32 KiB window with the gzip wrapper.
    ok_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                       Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~DeflateStream() {
    if (ok_) deflateEnd(&stream_);
  }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;

  bool ok() const { return ok_; }
  z_stream* get() { return &stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool starts_with_nocase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(s[i]) != lower(prefix[i])) return false;
  }
  return true;
}

// name=value pairs of a form body or a Cookie header, split at sep.
std::map<std::string, std::string> split_pairs(std::string_view text, char sep, bool decode) {
  std::map<std::string, std::string> pairs;
  while (!text.empty()) {
    const std::size_t end = text.find(sep);
    std::string_view item = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t eq = item.find('=');
    std::string name(trim(item.substr(0, eq)));
    std::string value(eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1));
    if (decode) {
      name = form_decode(name);
      value = form_decode(value);
    }
    pairs.emplace(std::move(name), std::move(value));  // the first of a name wins
  }
  return pairs;
}

struct FormPart {
  std::string name;
  std::string filename;
  std::string content_type;
  std::string data;
};

// The value of attribute (name="...") in a Content-Disposition line.
std::string disposition_attribute(std::string_view line, std::string_view attribute) {
  std::string key(" ");
  key.append(attribute).append("=\"");
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return {};
  const std::size_t begin = at + key.size();
  const std::size_t end = line.find('"', begin);
  if (end == std::string_view::npos) return {};
  return std::string(line.substr(begin, end - begin));
}

// The parts of a multipart/form-data body. The last delimiter may be followed
// by "--", by a line break or by nothing at all. Nullopt when the body does not
// start with a delimiter or a part is cut short.
std::optional<std::vector<FormPart>> parse_multipart(std::string_view body, std::string_view boundary) {
  const std::string delimiter = "--" + std::string(boundary);
  if (boundary.empty() || body.substr(0, delimiter.size()) != delimiter) return std::nullopt;
  const std::string separator = "\r\n" + delimiter;
  std::vector<FormPart> parts;
  std::size_t at = delimiter.size();
  for (;;) {
    const std::string_view rest = body.substr(at);
    if (rest.empty() || rest.substr(0, 2) == "--" || rest == "\r\n" || rest == "--\r\n") break;
    if (rest.substr(0, 2) != "\r\n") return std::nullopt;
    at += 2;
    const std::size_t head_end = body.find("\r\n\r\n", at);
    if (head_end == std::string_view::npos) return std::nullopt;
    FormPart part;
    std::string_view head = body.substr(at, head_end - at);
    while (!head.empty()) {
      const std::size_t end = head.find("\r\n");
      const std::string_view line = head.substr(0, end);
      head = end == std::string_view::npos ? std::string_view() : head.substr(end + 2);
      if (starts_with_nocase(line, "Content-Disposition:")) {
        part.name = disposition_attribute(line, "name");
        part.filename = disposition_attribute(line, "filename");
      } else if (starts_with_nocase(line, "Content-Type:")) {
        part.content_type = std::string(trim(line.substr(13)));
      }
    }
    const std::size_t data_begin = head_end + 4;
    const std::size_t data_end = body.find(separator, data_begin);
    if (data_end == std::string_view::npos) return std::nullopt;
    part.data = std::string(body.substr(data_begin, data_end - data_begin));
    parts.push_back(std::move(part));
    at = data_end + separator.size();
  }
  return parts;
}

std::string boundary_of(std::string_view content_type) {
  const std::size_t at = content_type.find("boundary=");
  if (at == std::string_view::npos) return {};
  std::string_view value = content_type.substr(at + 9);
  value = value.substr(0, value.find(';'));
  return std::string(trim(value));
}

Reply json_reply(std::string_view json, std::vector<std::pair<std::string, std::string>> cookies) {
  Reply reply;
  reply.headers.emplace_back("Content-Type", "application/json; charset=utf-8");
  reply.headers.emplace_back("Content-Encoding", "gzip");
  for (auto& cookie : cookies) reply.headers.push_back(std::move(cookie));
  reply.body = gzip_compress(json);
  return reply;
}

std::pair<std::string, std::string> set_cookie(std::string value) {
  return {"Set-Cookie", std::move(value)};
}

}  // namespace

struct TestForum::State {
  ForumOptions options;

  mutable std::mutex mutex;
  std::condition_variable changed;
  std::map<std::string, std::string> sessions;  // session id -> user
  std::map<std::string, std::string> tickets;   // unused ticket -> user
  std::vector<ForumUpload> uploads;
  int next_session = 1;
  int next_ticket = 1;
  int next_profile = 1;
  int next_upload = 1;
  int next_stored = 1;
  int logins = 0;
  int held = 0;
  bool released = false;

  const ForumAccount* account(std::string_view user) const {
    for (const ForumAccount& a : options.accounts) {
      if (a.user == user) return &a;
    }
    return nullptr;
  }

  // The user of the request's session cookie; empty when it names no session.
  std::string session_user(const ReceivedRequest& request) const {
    const auto cookies = split_pairs(request.header("Cookie"), ';', false);
    const auto it = cookies.find(std::string(kSessionCookie));
    if (it == cookies.end()) return {};
    const auto session = sessions.find(it->second);
    return session == sessions.end() ? std::string() : session->second;
  }

  Reply handle(const ReceivedRequest& request) {
    if (request.method == "POST" && request.target == "/login.php?action=in") return login(request);
    if (request.method == "GET" && request.target == "/profile.php?section=uploads&id=2") {
      return profile(request);
    }
    if (request.method == "POST" && request.target == "/upload") return upload(request);
    Reply reply;
    reply.status = 404;
    reply.reason = "Not Found";
    reply.body = "<html><body>No such page</body></html>";
    return reply;
  }

  Reply login(const ReceivedRequest& request) {
    const auto form = split_pairs(request.body, '&', true);
    const auto field = [&](const char* name) {
      const auto it = form.find(name);
      return it == form.end() ? std::string() : it->second;
    };
    const std::string user = field("req_username");
    Reply reply;
    reply.headers.emplace_back("Content-Type", "text/html; charset=gbk");
    std::lock_guard lock(mutex);
    const ForumAccount* known = account(user);
    if (known == nullptr || known->password != field("req_password")) {
      reply.headers.push_back(set_cookie(std::string(kGuestCookie) + "=1; path=/"));
      reply.body = "<html><body><p>Wrong username and/or password.</p></body></html>";
      return reply;
    }
    const std::string session = "s" + std::to_string(next_session++);
    sessions[session] = user;
    ++logins;
    reply.headers.push_back(set_cookie(std::string(kSessionCookie) + "=" + session + "; path=/; HttpOnly"));
    reply.headers.push_back(set_cookie(std::string(kUserCookie) + "=" + user +
                                       "; expires=Wed, 01-Jan-2031 00:00:00 GMT; path=/"));
    reply.headers.push_back(set_cookie(std::string(kGuestCookie) +
                                       "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; path=/"));
    reply.body = "<html><body><p>Logged in successfully. Redirecting &hellip;</p></body></html>";
    return reply;
  }

  Reply profile(const ReceivedRequest& request) {
    Reply reply;
    reply.headers.emplace_back("Content-Type", "text/html; charset=gbk");
    std::lock_guard lock(mutex);
    const int number = next_profile++;
    const std::string user = session_user(request);
    if (user.empty()) {
      reply.body = "<html><body><p>You must be logged in to see this page.</p></body></html>";
      return reply;
    }
    const std::string ticket = "t" + std::to_string(next_ticket++) + "x9";
    tickets[ticket] = user;
    reply.headers.push_back(set_cookie(std::string(kLastPageCookie) + "=profile; path=/"));
    if (options.numbered_cookies) {
      reply.headers.push_back(set_cookie("p" + std::to_string(number) + "=1; path=/"));
    }
    reply.body = "<html><head><script type=\"text/javascript\">\n"
                 "var UserUploadsDir = '" + account(user)->uploads_dir + "';\n"
                 "var Ticket = '" + ticket + "';\n"
                 "</script></head><body>Uploads</body></html>";
    return reply;
  }

  void wait_while_held() {
    std::unique_lock lock(mutex);
    ++held;
    changed.notify_all();
    changed.wait_for(lock, options.hold_timeout, [&] {
      return released || (options.release_when_held > 0 && held >= options.release_when_held);
    });
    if (options.release_when_held > 0 && held >= options.release_when_held) released = true;
    --held;
    changed.notify_all();
  }

  Reply upload(const ReceivedRequest& request) {
    if (options.hold_uploads) wait_while_held();
    if (options.accept_any_upload) {
      std::lock_guard lock(mutex);
      const std::string stored = "img" + std::to_string(next_stored++) + ".bin";
      return json_reply("{\"success\":true,\"files\":[{\"filename\":\"" + stored + "\"}]}", {});
    }

    ForumUpload record;
    record.cookie = request.header("Cookie");
    std::lock_guard lock(mutex);
    const int number = next_upload++;
    std::vector<std::pair<std::string, std::string>> cookies;
    cookies.push_back(set_cookie(std::string(kLastPageCookie) + "=upload; path=/"));
    if (options.numbered_cookies) cookies.push_back(set_cookie("u" + std::to_string(number) + "=1; path=/"));

    const auto parts = parse_multipart(request.body, boundary_of(request.header("Content-Type")));
    if (parts) {
      for (const FormPart& part : *parts) {
        if (part.name == "method") record.method_field = part.data;
        if (part.name == "token") record.token = part.data;
        if (part.name == "files[]") {
          record.filename = part.filename;
          record.content_type = part.content_type;
          record.data = part.data;
        }
      }
    }
    const std::string user = session_user(request);
    const auto ticket = tickets.find(record.token);
    if (!parts) {
      record.error = "malformed form";
    } else if (user.empty()) {
      record.error = "not logged in";
    } else if (record.method_field != "upload.userfile") {
      record.error = "unknown method";
    } else if (ticket == tickets.end() || ticket->second != user) {
      record.error = "invalid token";
    } else if (record.data.empty()) {
      record.error = "no file";
    }
    if (!record.error.empty()) {
      const std::string json = "{\"success\":false,\"error\":\"" + record.error + "\"}";
      uploads.push_back(std::move(record));
      return json_reply(json, std::move(cookies));
    }
    tickets.erase(ticket);  // a ticket is good for one upload
    std::string type = record.content_type;
    const std::size_t slash = type.find('/');
    std::string extension = slash == std::string::npos ? std::string() : type.substr(slash + 1);
    if (extension.empty()) extension = "bin";
    record.stored_name = "img" + std::to_string(next_stored++) + "." + extension;
    const std::string json = "{\"success\":true,\"files\":[{\"filename\":\"" + record.stored_name +
                             "\",\"url\":\"" + "\\/images" + account(user)->uploads_dir + "\\/" +
                             record.stored_name + "\",\"size\":" + std::to_string(record.data.size()) +
                             "}]}";
    uploads.push_back(std::move(record));
    return json_reply(json, std::move(cookies));
  }
};

TestForum::TestForum(ForumOptions options) : state_(std::make_shared<State>()) {
  state_->options = std::move(options);
  std::shared_ptr<State> state = state_;
  server_ = std::make_unique<TestServer>(
      [state](const ReceivedRequest& request) { return state->handle(request); },
      state_->options.server);
}

TestForum::~TestForum() {
  release_uploads();
  server_.reset();
}

int TestForum::port() const { return server_->port(); }

std::string TestForum::base_url() const { return server_->base_url(); }

std::vector<ReceivedRequest> TestForum::requests() const { return server_->requests(); }

std::vector<ForumUpload> TestForum::uploads() const {
  std::lock_guard lock(state_->mutex);
  return state_->uploads;
}

int TestForum::logins() const {
  std::lock_guard lock(state_->mutex);
  return state_->logins;
}

bool TestForum::wait_for_held_uploads(int n, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout, [&] { return state_->held >= n; });
}

int TestForum::held_uploads() const {
  std::lock_guard lock(state_->mutex);
  return state_->held;
}

void TestForum::release_uploads() {
  std::lock_guard lock(state_->mutex);
  state_->released = true;
  state_->changed.notify_all();
}

std::string gzip_compress(std::string_view data) {
  DeflateStream stream;
  if (!stream.ok()) return {};
  std::string out;
  out.resize(deflateBound(stream.get(), static_cast<uLong>(data.size())) + 64);
  z_stream* z = stream.get();
  z->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z->avail_in = static_cast<uInt>(data.size());
  z->next_out = reinterpret_cast<Bytef*>(out.data());
  z->avail_out = static_cast<uInt>(out.size());
  if (deflate(z, Z_FINISH) != Z_STREAM_END) return {};
  out.resize(z->total_out);
  return out;
}

std::string form_decode(std::string_view value) {
  const auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '+') {
      out += ' ';
    } else if (value[i] == '%' && i + 2 < value.size() && hex(value[i + 1]) >= 0 &&
               hex(value[i + 2]) >= 0) {
      out += static_cast<char>(hex(value[i + 1]) * 16 + hex(value[i + 2]));
      i += 2;
    } else {
      out += value[i];
    }
  }
  return out;
}

}  // namespace quillon::testing
