// dmp_key_set: the keys of one unique index that a dump has written, to tell a duplicate as the
// replaying server will.  Memory per key is a slot and an offset (some 20 bytes whatever the
// key's length); the key texts themselves go to an anonymous temporary file once they pass a
// small buffer, and are read back only when a new key's 64-bit hash meets a remembered one, so
// that a duplicate is never missed and a hash collision is never taken for one.
// A key that is one integer in canonical form (the stored form of an integer column) costs
// nothing while such keys come in ascending order, as a table read in its key's order gives them:
// each ascending key extends or starts a run of integers, and only keys out of that order take a
// slot of the general set.  Memory then stays flat in the number of rows.
// Thread-safety: none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class dmp_key_set {
public:
    dmp_key_set() = default;
    ~dmp_key_set();
    dmp_key_set(dmp_key_set&& other) noexcept;
    dmp_key_set& operator=(dmp_key_set&&) = delete;
    dmp_key_set(const dmp_key_set&) = delete;
    dmp_key_set& operator=(const dmp_key_set&) = delete;

    // Remembers `key`; false when an equal key was remembered before.  Raises tk_exception
    // (level 1) when the temporary file cannot be made, written or read.
    bool insert(std::string_view key);
    std::size_t size() const { return m_offsets.size() + m_run_keys; }

    // Key text kept in memory before it goes to the temporary file.
    static constexpr std::size_t k_buffer_bytes = 1u << 20;

private:
    // For a canonical integer key: true when it was taken by the runs (new), false when the runs
    // hold it already; nothing when the general set must decide.
    std::optional<bool> insert_ascending(std::int64_t value);
    bool insert_general(std::string_view key);
    bool equals(std::uint64_t offset, std::string_view key);
    void grow();
    void spill();

    // Open addressing: each slot holds the upper half of the key's hash and one more than the
    // key's index in m_offsets (0: empty).  The hash half also picks the slot, so the table
    // grows without reading a key back.
    std::vector<std::uint64_t> m_slots;
    // Where each key's record (its length in four bytes, then its text) starts in the store.
    std::vector<std::uint64_t> m_offsets;
    // The store: its first m_spilled bytes in the file, the rest in m_buffer.
    std::string m_buffer;
    std::uint64_t m_spilled = 0;
    std::FILE* m_file = nullptr;
    std::string m_read;
    // Disjoint runs [first, last] of integer keys, in ascending order; a key at or below the last
    // run's end that no run holds went to the general set, and every later ascending key is above
    // it, so the two never hold the same key.
    std::vector<std::pair<std::int64_t, std::int64_t>> m_runs;
    std::size_t m_run_keys = 0;
};
