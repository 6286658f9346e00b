// The reply reader on Boost.Beast's response parser, which enforces the header section and
// body limits itself and decodes chunks as they arrive. Beast asks for the bytes it has not
// taken yet to be handed to it again with more after them (an unfinished line); the input
// buffer that keeps them is bounded, so a line that never ends fails when it fills.

#include "runtime/qt/HttpReplyReader.h"

#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cstring>
#include <optional>

namespace tarvolin {

namespace http = boost::beast::http;

struct HttpReplyReader::Parser {
    Parser(std::size_t maxHeaderBytes, std::size_t maxBodyBytes) {
        reply.header_limit(static_cast<std::uint32_t>(maxHeaderBytes));
        reply.body_limit(maxBodyBytes);
    }
    http::response_parser<http::string_body> reply;
};

HttpReplyReader::HttpReplyReader(std::size_t maxHeaderBytes, std::size_t maxBodyBytes)
    : maxHeaderBytes_(maxHeaderBytes),
      maxBodyBytes_(maxBodyBytes),
      parser_(std::make_unique<Parser>(maxHeaderBytes, maxBodyBytes)),
      input_(maxHeaderBytes) {}

HttpReplyReader::~HttpReplyReader() = default;

std::span<char> HttpReplyReader::Room() {
    if (state_ != State::Reading) return {};
    return std::span<char>(input_).subspan(filled_);
}

HttpReplyReader::State HttpReplyReader::Arrived(std::size_t count) {
    if (state_ != State::Reading) return state_;
    filled_ += count;
    while (filled_ > 0 && state_ == State::Reading) {
        const bool inHeader = !parser_->reply.is_header_done();
        boost::system::error_code error;
        const std::size_t taken =
            parser_->reply.put(boost::asio::const_buffer(input_.data(), filled_), error);
        std::memmove(input_.data(), &input_[taken], filled_ - taken);
        filled_ -= taken;
        if (inHeader) {
            // Beast's own limit leaves the status line out; this one counts all of it.
            headerBytes_ += taken;
            const bool done = parser_->reply.is_header_done();
            if (headerBytes_ + (done ? 0 : filled_) > maxHeaderBytes_) return Fail();
        }
        if (error == http::error::need_more) {
            // A line longer than the whole buffer can never be taken.
            return filled_ == input_.size() ? Fail() : state_;
        }
        if (error) return Fail();
        state_ = Settle();
        if (taken == 0) break;
    }
    return state_;
}

HttpReplyReader::State HttpReplyReader::Ended() {
    if (state_ != State::Reading) return state_;
    if (!parser_->reply.got_some()) return Fail();  // closed before the reply began
    boost::system::error_code error;
    parser_->reply.put_eof(error);
    if (error) return Fail();
    state_ = Settle();
    return state_ == State::Reading ? Fail() : state_;
}

// What the parser's progress means: an interim reply is skipped (a fresh parser takes the
// bytes after it), a final one is answered once what it needs has arrived.
HttpReplyReader::State HttpReplyReader::Settle() {
    http::response_parser<http::string_body>& reply = parser_->reply;
    if (!reply.is_header_done()) return State::Reading;
    const auto status = static_cast<int>(reply.get().result_int());
    if (status >= 100 && status <= 199) {
        if (status == 101 || ++interimReplies_ > MaxInterimReplies) return Fail();
        parser_ = std::make_unique<Parser>(maxHeaderBytes_, maxBodyBytes_);
        headerBytes_ = 0;
        return State::Reading;
    }
    if (status < 200 || status > 299 || reply.is_done()) return State::Answered;
    // The parser stops at the end of the header section, so that its size is known; from
    // here on, one call takes every complete chunk in the buffer.
    parser_->reply.eager(true);
    return State::Reading;
}

HttpReplyReader::State HttpReplyReader::Fail() {
    state_ = State::Failed;
    filled_ = 0;
    return state_;
}

int HttpReplyReader::Status() const { return static_cast<int>(parser_->reply.get().result_int()); }

std::string_view HttpReplyReader::Location() const {
    const auto& fields = parser_->reply.get();
    const auto location = fields.find(http::field::location);
    if (location == fields.end()) return {};
    const auto value = location->value();
    return {value.data(), value.size()};
}

std::string HttpReplyReader::TakeBody() { return std::move(parser_->reply.get().body()); }

}  // namespace tarvolin
