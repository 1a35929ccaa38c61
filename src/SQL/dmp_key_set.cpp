#include "SQL/dmp_key_set.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <functional>
#include <limits>
#include <utility>

#include "TK/tk_exception.h"

namespace {

std::uint32_t hash_half(std::string_view key) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key) >> 32);
}

// The value of a key written as an integer in canonical form: an optional '-', then "0" or
// digits without a leading zero, at most 18 of them; "-0" is not canonical.  Two keys of that
// form are equal exactly when their values are.
std::optional<std::int64_t> canonical_integer(std::string_view key) {
    const bool negative = !key.empty() && key[0] == '-';
    const std::string_view digits = key.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 18 ||
        (digits[0] == '0' && (digits.size() > 1 || negative)))
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

}  // namespace

dmp_key_set::~dmp_key_set() {
    if (m_file) std::fclose(m_file);
}

dmp_key_set::dmp_key_set(dmp_key_set&& other) noexcept
    : m_slots(std::move(other.m_slots)),
      m_offsets(std::move(other.m_offsets)),
      m_buffer(std::move(other.m_buffer)),
      m_spilled(other.m_spilled),
      m_file(std::exchange(other.m_file, nullptr)),
      m_read(std::move(other.m_read)),
      m_runs(std::move(other.m_runs)),
      m_run_keys(other.m_run_keys) {}

bool dmp_key_set::insert(std::string_view key) {
    if (const std::optional<std::int64_t> value = canonical_integer(key)) {
        if (const std::optional<bool> taken = insert_ascending(*value)) return *taken;
    }
    return insert_general(key);
}

std::optional<bool> dmp_key_set::insert_ascending(std::int64_t value) {
    if (m_runs.empty() || value > m_runs.back().second) {
        if (!m_runs.empty() && value == m_runs.back().second + 1)
            m_runs.back().second = value;
        else
            m_runs.emplace_back(value, value);
        ++m_run_keys;
        return true;
    }
    // Out of order: a run may hold it; if none does, the general set decides.
    const auto after =
        std::upper_bound(m_runs.begin(), m_runs.end(), value,
                         [](std::int64_t v, const std::pair<std::int64_t, std::int64_t>& run) {
                             return v < run.first;
                         });
    if (after != m_runs.begin() && std::prev(after)->second >= value) return false;
    return std::nullopt;
}

bool dmp_key_set::insert_general(std::string_view key) {
    if (key.size() > std::numeric_limits<std::uint32_t>::max())
        throw tk_exception("A key of more than 4 GB cannot be checked for duplicates.", 1);
    // Below three quarters full, so that a probe for a new key ends soon.
    if ((m_offsets.size() + 1) * 4 > m_slots.size() * 3) grow();
    const std::uint32_t half = hash_half(key);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = half & mask;
    for (; m_slots[i] != 0; i = (i + 1) & mask) {
        if (static_cast<std::uint32_t>(m_slots[i] >> 32) != half) continue;
        if (equals(m_offsets[(m_slots[i] & 0xFFFFFFFFu) - 1], key)) return false;
    }
    if (m_offsets.size() >= 0xFFFFFFFFu)
        throw tk_exception("Too many keys in one table to check them for duplicates.", 1);
    m_offsets.push_back(m_spilled + m_buffer.size());
    m_slots[i] = (std::uint64_t{half} << 32) | m_offsets.size();
    const auto length = static_cast<std::uint32_t>(key.size());
    m_buffer.append(reinterpret_cast<const char*>(&length), sizeof length);
    m_buffer.append(key);
    if (m_buffer.size() >= k_buffer_bytes) spill();
    return true;
}

bool dmp_key_set::equals(std::uint64_t offset, std::string_view key) {
    const std::size_t want = sizeof(std::uint32_t) + key.size();
    std::string_view stored;
    if (offset >= m_spilled) {
        stored = std::string_view(m_buffer).substr(offset - m_spilled);
    } else {
        // A key's record is written whole, so it lies entirely in the file; reading one byte
        // past the new key's length would be wasted: a shorter record differs in its length.
        m_read.resize(want);
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n = ::pread(fileno(m_file), m_read.data() + got, want - got,
                                      static_cast<off_t>(offset + got));
            if (n < 0) throw tk_exception("Could not read back the keys written to the dump.", 1);
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        stored = std::string_view(m_read).substr(0, got);
    }
    if (stored.size() < want) return false;
    std::uint32_t length = 0;
    std::memcpy(&length, stored.data(), sizeof length);
    return length == key.size() && stored.substr(sizeof length, key.size()) == key;
}

void dmp_key_set::grow() {
    std::vector<std::uint64_t> slots(m_slots.empty() ? 1024 : m_slots.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (const std::uint64_t slot : m_slots) {
        if (slot == 0) continue;
        std::size_t i = static_cast<std::uint32_t>(slot >> 32) & mask;
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = slot;
    }
    m_slots.swap(slots);
}

void dmp_key_set::spill() {
    if (!m_file) {
        m_file = std::tmpfile();
        if (!m_file)
            throw tk_exception("Could not make a temporary file for the keys of the dump.", 1);
    }
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::pwrite(fileno(m_file), m_buffer.data() + done, m_buffer.size() - done,
                                   static_cast<off_t>(m_spilled + done));
        if (n <= 0) throw tk_exception("Could not write the keys of the dump aside.", 1);
        done += static_cast<std::size_t>(n);
    }
    m_spilled += m_buffer.size();
    m_buffer.clear();
}
