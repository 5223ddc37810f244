#include "sim/virtual_bridge.h"

#include <algorithm>
#include <cstring>

namespace vemo::sim {
namespace {

enum : std::uint8_t { kVersion = 1, kBusSpeed = 2, kI2cWrite = 5, kI2cRead = 6 };
enum : std::uint8_t { kFirst = 1, kContinuation = 2 };
enum : std::uint8_t { kDone = 0, kMore = 1, kFailure = 3 };
constexpr std::size_t kMaxWrite = 1024;
constexpr std::size_t kFirstWriteChunk = 59;
constexpr std::size_t kNextWriteChunk = 62;
constexpr std::size_t kReadChunk = 62;

}  // namespace

VirtualBridge::VirtualBridge(std::uint16_t firmwareVersion) : firmwareVersion_(firmwareVersion) {}

void VirtualBridge::attach(std::uint8_t address, std::shared_ptr<I2cTarget> target) {
  targets_[address] = std::move(target);
}

void VirtualBridge::detach(std::uint8_t address) { targets_.erase(address); }

I2cTarget* VirtualBridge::targetAt(std::uint8_t address) const {
  auto it = targets_.find(address);
  return it == targets_.end() ? nullptr : it->second.get();
}

void VirtualBridge::injectFault(const BridgeFault& fault, int afterRequests) {
  faults_[requestCount_ + static_cast<std::size_t>(std::max(afterRequests, 0))] = fault;
}

std::vector<Report> VirtualBridge::requests() const {
  std::vector<Report> out;
  for (const ReportRecord& r : reports_) {
    if (r.fromHost) out.push_back(r.bytes);
  }
  return out;
}

bool VirtualBridge::hostWrite(const std::uint8_t* data, std::size_t length) {
  if (unplugged_ || data == nullptr || length == 0) return false;
  std::size_t index = requestCount_++;
  auto faultIt = faults_.find(index);
  BridgeFault* fault = faultIt == faults_.end() ? nullptr : &faultIt->second;
  if (fault != nullptr && fault->kind == BridgeFault::Kind::Unplug) {
    unplugged_ = true;
    replies_.clear();
    return false;
  }
  if (fault != nullptr && fault->kind == BridgeFault::Kind::FailWrite) return false;

  Report request{};
  std::memcpy(request.data(), data, std::min(length, request.size()));
  if (recording_) reports_.push_back({true, request});

  QueuedReply reply;
  bool answers = handle(request, reply.bytes);
  if (fault != nullptr) {
    switch (fault->kind) {
      case BridgeFault::Kind::FailRead:
        reply.failsToRead = true;
        answers = true;
        break;
      case BridgeFault::Kind::NoReply:
        answers = false;
        break;
      case BridgeFault::Kind::LateReply:
        if (answers) late_.push_back(reply);
        answers = false;
        break;
      case BridgeFault::Kind::WrongReportId:
        reply.bytes[0] = fault->value;
        break;
      case BridgeFault::Kind::Status:
        reply.bytes[1] = fault->value;
        break;
      case BridgeFault::Kind::Raw:
        reply.bytes = fault->raw;
        answers = true;
        break;
      default:
        break;
    }
  }
  if (answers) replies_.push_back(reply);
  return true;
}

int VirtualBridge::hostRead(std::uint8_t* data, std::size_t length) {
  if (unplugged_ || data == nullptr) return -1;
  if (replies_.empty()) {
    // The host gave up waiting; whatever was late arrives now.
    for (const QueuedReply& late : late_) replies_.push_back(late);
    late_.clear();
    return 0;
  }
  QueuedReply reply = replies_.front();
  replies_.pop_front();
  if (reply.failsToRead) return -1;
  if (recording_) reports_.push_back({false, reply.bytes});
  std::size_t n = std::min(length, reply.bytes.size());
  std::memcpy(data, reply.bytes.data(), n);
  return static_cast<int>(n);
}

bool VirtualBridge::handle(const Report& request, Report& reply) {
  reply.fill(0);
  switch (request[0]) {
    case kVersion:
      reply[0] = kVersion;
      reply[1] = static_cast<std::uint8_t>(firmwareVersion_ >> 8);
      reply[2] = static_cast<std::uint8_t>(firmwareVersion_);
      return true;
    case kBusSpeed:
      busSpeed_ = request[1];
      return false;  // the speed request is not answered
    case kI2cWrite:
      return handleWrite(request, reply);
    case kI2cRead:
      return handleRead(request, reply);
    default:
      return false;
  }
}

bool VirtualBridge::handleWrite(const Report& request, Report& reply) {
  reply[0] = kI2cWrite;
  std::size_t chunk = 0;
  const std::uint8_t* from = nullptr;
  if (request[1] == kFirst) {
    address_ = request[2];
    writeTotal_ = static_cast<std::size_t>(request[3]) << 8 | request[4];
    writeData_.clear();
    writing_ = writeTotal_ <= kMaxWrite;
    chunk = std::min(kFirstWriteChunk, writeTotal_);
    from = &request[5];
  } else if (request[1] == kContinuation && writing_) {
    chunk = std::min(kNextWriteChunk, writeTotal_ - writeData_.size());
    from = &request[2];
  } else {
    writing_ = false;
    reply[1] = kFailure;
    return true;
  }
  if (!writing_) {
    reply[1] = kFailure;
    return true;
  }
  writeData_.insert(writeData_.end(), from, from + chunk);
  if (writeData_.size() < writeTotal_) {
    reply[1] = kMore;
    return true;
  }
  writing_ = false;
  I2cTarget* target = targetAt(address_);
  bool acked = target != nullptr && target->write(writeData_.data(), writeData_.size());
  reply[1] = acked ? kDone : kFailure;
  return true;
}

bool VirtualBridge::handleRead(const Report& request, Report& reply) {
  reply[0] = kI2cRead;
  if (request[1] == kFirst) {
    address_ = request[2];
    readData_.assign(request[3], 0);
    readPosition_ = 0;
    I2cTarget* target = targetAt(address_);
    reading_ = target != nullptr && target->read(readData_.data(), readData_.size());
    if (!reading_) {
      reply[1] = kFailure;
      return true;
    }
  } else if (request[1] != kContinuation || !reading_) {
    reading_ = false;
    reply[1] = kFailure;
    return true;
  }
  nextReadChunk(reply);
  return true;
}

void VirtualBridge::nextReadChunk(Report& reply) {
  std::size_t remaining = readData_.size() - readPosition_;
  std::size_t chunk = std::min(kReadChunk, remaining);
  // A read of 0 bytes has no data buffer at all.
  if (chunk > 0) std::memcpy(&reply[2], readData_.data() + readPosition_, chunk);
  readPosition_ += chunk;
  bool last = remaining <= kReadChunk;
  reply[1] = last ? kDone : kMore;
  if (last) reading_ = false;
}

}  // namespace vemo::sim
