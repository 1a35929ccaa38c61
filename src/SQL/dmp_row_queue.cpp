#include "SQL/dmp_row_queue.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// Batches in circulation: the run's thread refills the one given back longest ago, whose
// lines the renderer's core has let go of by then.
constexpr std::size_t k_batches = 8;
// A batch is handed over after this many rows, or once its bytes pass k_batch_bytes: the
// handing over, which may wake the other thread, is paid once for many rows.
constexpr std::size_t k_batch_rows = 2048;
constexpr std::size_t k_batch_bytes = 512 * 1024;
// The room a batch is first given: its rows up to the handing over, and the row that passes it.
constexpr std::size_t k_batch_room = k_batch_bytes + 64 * 1024;
// The longest text or byte string that travels, in bytes; a row with a longer one is rendered
// by the run's thread, so that no copy of a long value is ever held besides the record's own.
constexpr std::size_t k_value_bytes = 8 * 1024;

// How a value is written: its type, then for a text its length in characters and the
// characters, for a byte string its length and the bytes, for anything else its VARIANT and,
// for a date, its broken-down time.
using tag_t = VARTYPE;
using length_t = std::uint32_t;

// The bytes a value takes in a batch, or 0 when it does not travel.
std::size_t written_size(const ole_variant& value) {
    const VARIANT& v = value.variant();
    if (v.vt == VT_BSTR) {
        if (v.bstrVal == nullptr) return 0;
        const std::size_t n = SysStringLen(v.bstrVal) * sizeof(OLECHAR);
        return n > k_value_bytes ? 0 : sizeof(tag_t) + sizeof(length_t) + n;
    }
    if (v.vt == VT_BYTE_ARRAY) {
        if (v.parray == nullptr) return 0;
        const std::size_t n = ole_variant::get_safe_array_size(v.parray);
        return n > k_value_bytes ? 0 : sizeof(tag_t) + sizeof(length_t) + n;
    }
    if (!ole_is_self_contained_type(v.vt)) return 0;
    return sizeof(tag_t) + sizeof(VARIANT) + (v.vt == VT_DATE ? sizeof(SYSTEMTIME) : 0);
}

template <class T>
void put(char*& w, const T& v) {
    std::memcpy(w, &v, sizeof v);
    w += sizeof v;
}

template <class T>
T take(const char*& p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    return v;
}

}  // namespace

dmp_row_queue::dmp_row_queue(std::size_t columns, render_fn render)
    : m_columns(columns), m_render(std::move(render)) {
    for (std::size_t i = 0; i < k_batches; ++i) {
        m_batches.push_back(std::make_unique<batch>());
        m_spare.push_back(m_batches.back().get());
    }
    m_thread = std::thread([this] { run(); });
}

dmp_row_queue::~dmp_row_queue() {
    try {
        drain();
    } catch (...) {
        // Raised to the caller by an earlier call, or its table is being given up.
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool dmp_row_queue::push(const udb_field* const* fields, int number) {
    if (m_failed.load(std::memory_order_acquire)) raise_failure();
    std::size_t need = sizeof number;
    for (std::size_t i = 0; i < m_columns; ++i) {
        const std::size_t n = written_size(*fields[i]);
        if (n == 0) return false;
        need += n;
    }
    if (m_filling == nullptr) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_spare.empty() || m_failure != nullptr; });
        if (m_failure) {
            lock.unlock();
            raise_failure();
        }
        m_filling = m_spare.front();
        m_spare.pop_front();
        m_filling->used = 0;
        m_filling->rows = 0;
    }
    batch& b = *m_filling;
    if (b.room - b.used < need) grow(b, need);
    char* w = b.bytes.get() + b.used;
    put(w, number);
    for (std::size_t i = 0; i < m_columns; ++i) {
        const VARIANT& v = fields[i]->variant();
        put(w, static_cast<tag_t>(v.vt));
        if (v.vt == VT_BSTR || v.vt == VT_BYTE_ARRAY) {
            const std::uint8_t* bytes = nullptr;
            std::size_t n = 0;
            if (v.vt == VT_BSTR) {
                bytes = reinterpret_cast<const std::uint8_t*>(v.bstrVal);
                n = SysStringLen(v.bstrVal);
                put(w, static_cast<length_t>(n));
                n *= sizeof(OLECHAR);
            } else {
                n = fields[i]->get_bytes1(bytes);
                put(w, static_cast<length_t>(n));
            }
            if (n > 0) std::memcpy(w, bytes, n);
            w += n;
        } else {
            put(w, v);
            if (v.vt == VT_DATE) {
                SYSTEMTIME time;
                fields[i]->get_systemtime(time);
                put(w, time);
            }
        }
    }
    b.used += need;
    ++b.rows;
    if (b.rows == k_batch_rows || b.used >= k_batch_bytes) hand_over();
    return true;
}

void dmp_row_queue::grow(batch& b, std::size_t need) {
    // A batch is given its whole room at once, and left unwritten: grown from nothing by
    // doubling, each of the first batches was copied and cleared a dozen times, on the thread
    // that sets the run's pace.
    const std::size_t room = std::max({b.used + need, k_batch_room, 2 * b.room});
    auto bytes = std::make_unique_for_overwrite<char[]>(room);
    if (b.used > 0) std::memcpy(bytes.get(), b.bytes.get(), b.used);
    b.bytes = std::move(bytes);
    b.room = room;
}

void dmp_row_queue::hand_over() {
    if (m_filling == nullptr) return;
    {
        std::lock_guard lock(m_mutex);
        m_full.push_back(m_filling);
    }
    m_filling = nullptr;
    m_changed.notify_all();
}

void dmp_row_queue::drain() {
    hand_over();
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return (m_full.empty() && !m_rendering) || m_failure; });
        if (!m_failure) return;
    }
    raise_failure();
}

void dmp_row_queue::raise_failure() {
    std::exception_ptr failure;
    {
        std::lock_guard lock(m_mutex);
        failure = m_failure;
    }
    std::rethrow_exception(failure);
}

void dmp_row_queue::run() {
    for (;;) {
        batch* b = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || !m_full.empty(); });
            if (m_full.empty()) return;
            b = m_full.front();
            m_full.pop_front();
            if (m_failure) {
                // The rows after a failed one are not rendered: the table has failed.
                m_spare.push_back(b);
                continue;
            }
            m_rendering = true;
        }
        std::exception_ptr failure;
        try {
            render_batch(*b);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard lock(m_mutex);
            m_rendering = false;
            m_spare.push_back(b);
            if (failure) {
                m_failure = failure;
                m_failed.store(true, std::memory_order_release);
            }
        }
        m_changed.notify_all();
    }
}

void dmp_row_queue::render_batch(const batch& b) {
    if (m_values.size() != m_columns) {
        m_values.resize(m_columns);
        m_row.clear();
        for (const ole_variant& value : m_values) m_row.push_back(&value);
    }
    const char* p = b.bytes.get();
    for (std::size_t r = 0; r < b.rows; ++r) {
        const int number = take<int>(p);
        for (ole_variant& value : m_values) {
            const auto vt = take<tag_t>(p);
            if (vt == VT_BSTR) {
                const std::size_t n = take<length_t>(p);
                wchar_t* text = value.text_buffer(n);
                if (n > 0) std::memcpy(text, p, n * sizeof(OLECHAR));
                p += n * sizeof(OLECHAR);
            } else if (vt == VT_BYTE_ARRAY) {
                const std::size_t n = take<length_t>(p);
                std::uint8_t* bytes = value.allocate_bytes(n);
                if (n > 0) std::memcpy(bytes, p, n);
                p += n;
            } else {
                const auto v = take<VARIANT>(p);
                const SYSTEMTIME time = vt == VT_DATE ? take<SYSTEMTIME>(p) : SYSTEMTIME{};
                value.assign_parts(v, time);
            }
        }
        m_render(m_row.data(), number);
    }
}
