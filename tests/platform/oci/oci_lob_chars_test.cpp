// Character LOBs read as a client reads them in a UTF-16 environment: the environment's character
// set for csid 0, UTF-8 when asked for by its id, offsets and amounts in characters, a character
// outside the BMP counting two, and chunks of any size that concatenate to the stored text. Each
// case runs through the embedded function table and through the engine's client library bound by
// the loader, which must answer alike.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "client/oci_text.h"
#include "platform/oci/oci.h"
#include "platform/oci/oci_loader.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

// Greek, CJK, a musical symbol and emoji (outside the BMP), a combining accent, ASCII; the pairs
// fall at odd and even unit positions alike.
std::string sample_text() {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "Ωμέγα 漢字 𝄞" + std::to_string(i) + "😀😁 e\xCC\x81 ";
        if (i % 3 == 0) text += "x";
    }
    return text;
}

const oci_function_table* table_named(const std::string& which) {
    if (which == "embedded") return oci_embedded_functions();
    std::string why;
    const oci_function_table* t = oci_load_library(TW_ORALITE_OCI_LIBRARY, why);
    EXPECT_NE(t, nullptr) << why;
    return t;
}

// One logon through a function table, with a row holding the sample in a CLOB and an NCLOB.
class LobChars : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        t_ = table_named(GetParam());
        ASSERT_NE(t_, nullptr);
        ASSERT_EQ(t_->EnvNlsCreate(&env_, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0,
                                   nullptr, OCI_UTF16ID, OCI_UTF16ID),
                  OCI_SUCCESS);
        t_->HandleAlloc(env_, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0, nullptr);
        t_->HandleAlloc(env_, reinterpret_cast<void**>(&srv_), OCI_HTYPE_SERVER, 0, nullptr);
        t_->HandleAlloc(env_, reinterpret_cast<void**>(&ses_), OCI_HTYPE_SESSION, 0, nullptr);
        t_->HandleAlloc(env_, reinterpret_cast<void**>(&svc_), OCI_HTYPE_SVCCTX, 0, nullptr);
        const std::u16string dir = u16(instance_.dir()), user = u16("ZOO"), pass = u16("zoo");
        ASSERT_EQ(t_->ServerAttach(srv_, err_, reinterpret_cast<const OraText*>(dir.data()),
                                   static_cast<sb4>(dir.size() * 2), OCI_DEFAULT),
                  OCI_SUCCESS)
            << error_text();
        t_->AttrSet(svc_, OCI_HTYPE_SVCCTX, srv_, 0, OCI_ATTR_SERVER, err_);
        t_->AttrSet(ses_, OCI_HTYPE_SESSION, const_cast<char16_t*>(user.data()),
                    static_cast<ub4>(user.size() * 2), OCI_ATTR_USERNAME, err_);
        t_->AttrSet(ses_, OCI_HTYPE_SESSION, const_cast<char16_t*>(pass.data()),
                    static_cast<ub4>(pass.size() * 2), OCI_ATTR_PASSWORD, err_);
        ASSERT_EQ(t_->SessionBegin(svc_, err_, ses_, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS)
            << error_text();
        t_->AttrSet(svc_, OCI_HTYPE_SVCCTX, ses_, 0, OCI_ATTR_SESSION, err_);

        ASSERT_EQ(run("CREATE TABLE DOCS (ID NUMBER(3), C CLOB, N NCLOB)"), OCI_SUCCESS)
            << error_text();
        OCIStmt* ins = prepare("INSERT INTO DOCS (ID, C, N) VALUES (1, :1, :2)");
        OCIBind* b = nullptr;
        for (ub4 pos = 1; pos <= 2; ++pos) {
            ASSERT_EQ(t_->BindByPos(ins, &b, err_, pos, const_cast<char16_t*>(source_.data()),
                                    static_cast<sb4>(source_.size() * 2), SQLT_LNG, nullptr,
                                    nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
                      OCI_SUCCESS);
        }
        ASSERT_EQ(t_->StmtExecute(svc_, ins, err_, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
                  OCI_SUCCESS)
            << error_text();

        OCIStmt* sel = prepare("SELECT C, N FROM DOCS");
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(t_->DescriptorAlloc(env_, reinterpret_cast<void**>(&lob_[i]), OCI_DTYPE_LOB,
                                          0, nullptr),
                      OCI_SUCCESS);
            OCIDefine* def = nullptr;
            ASSERT_EQ(t_->DefineByPos(sel, &def, err_, static_cast<ub4>(i + 1), &lob_[i], -1,
                                      SQLT_CLOB, &ind_[i], nullptr, nullptr, OCI_DEFAULT),
                      OCI_SUCCESS);
        }
        ASSERT_EQ(t_->StmtExecute(svc_, sel, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS)
            << error_text();
        ASSERT_EQ(ind_[0], 0);
        ASSERT_EQ(ind_[1], 0);
    }

    void TearDown() override {
        if (t_ == nullptr || env_ == nullptr) return;
        for (OCILobLocator* l : lob_) {
            if (l) t_->DescriptorFree(l, OCI_DTYPE_LOB);
        }
        for (OCIStmt* s : stmts_) t_->HandleFree(s, OCI_HTYPE_STMT);
        t_->SessionEnd(svc_, err_, ses_, OCI_DEFAULT);
        t_->ServerDetach(srv_, err_, OCI_DEFAULT);
        t_->HandleFree(env_, OCI_HTYPE_ENV);
    }

    OCIStmt* prepare(const std::string& sql) {
        OCIStmt* st = nullptr;
        t_->HandleAlloc(env_, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
        stmts_.push_back(st);
        const std::u16string text = u16(sql);
        t_->StmtPrepare(st, err_, reinterpret_cast<const OraText*>(text.data()),
                        static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
        return st;
    }

    sword run(const std::string& sql) {
        return t_->StmtExecute(svc_, prepare(sql), err_, 1, 0, nullptr, nullptr,
                               OCI_COMMIT_ON_SUCCESS);
    }

    std::string error_text() {
        unsigned char buf[1024] = {};
        sb4 code = 0;
        if (t_->ErrorGet(err_, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS)
            return std::string();
        return from_u16(buf, sizeof buf);
    }

    int error_code() {
        unsigned char buf[8];
        sb4 code = 0;
        if (t_->ErrorGet(err_, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS)
            return 0;
        return code;
    }

    ub1 form_of(OCILobLocator* lob) {
        ub1 form = 0;
        EXPECT_EQ(t_->LobCharSetForm(env_, err_, lob, &form), OCI_SUCCESS);
        return form;
    }

    // The LOB read `chars` characters at a time as UTF-16 (csid 0), each read's amount checked
    // against the characters left; the units concatenated.
    std::u16string read_utf16(OCILobLocator* lob, ub4 chars, int* reads) {
        std::u16string out;
        std::vector<char16_t> buf(chars);
        const ub1 form = form_of(lob);
        ub4 offset = 1;
        *reads = 0;
        for (;;) {
            ub4 amount = chars;
            EXPECT_EQ(t_->LobRead(svc_, err_, lob, &amount, offset, buf.data(), chars * 2, nullptr,
                                  nullptr, 0, form),
                      OCI_SUCCESS)
                << error_text();
            ++*reads;
            const size_t left = source_.size() - out.size();
            EXPECT_EQ(amount, std::min<size_t>(chars, left)) << "at offset " << offset;
            if (amount == 0 || amount > chars || *reads > 100000) break;
            out.append(buf.data(), amount);
            offset += amount;
        }
        return out;
    }

    // The LOB read as UTF-8 (csid 873) asking `chars` characters (no more than `room`, which a
    // read would stream) into a buffer of `room` bytes: the amount out counts bytes, so the next
    // offset counts the characters those bytes hold.
    std::string read_utf8(OCILobLocator* lob, ub4 chars, ub4 room) {
        std::string out;
        std::vector<char> buf(room);
        ub4 offset = 1;
        for (int reads = 0; reads < 100000; ++reads) {
            ub4 amount = chars;
            EXPECT_EQ(t_->LobRead(svc_, err_, lob, &amount, offset, buf.data(), room, nullptr,
                                  nullptr, 873, form_of(lob)),
                      OCI_SUCCESS)
                << error_text() << " at offset " << offset;
            if (amount == 0 || amount > room) break;
            const std::string piece(buf.data(), amount);
            const size_t units = oci_text::utf16_units_of(piece);
            EXPECT_LE(units, chars);
            out += piece;
            offset += static_cast<ub4>(units);
        }
        return out;
    }

    scratch_instance instance_;
    const std::string text_ = sample_text();
    const std::u16string source_ = u16(text_);
    const oci_function_table* t_ = nullptr;
    OCIEnv* env_ = nullptr;
    OCIError* err_ = nullptr;
    OCIServer* srv_ = nullptr;
    OCISession* ses_ = nullptr;
    OCISvcCtx* svc_ = nullptr;
    std::vector<OCIStmt*> stmts_;
    OCILobLocator* lob_[2] = {};
    sb2 ind_[2] = {};
};

TEST_P(LobChars, Utf16ChunksOfAnySizeCountCharactersAndConcatenate) {
    EXPECT_EQ(form_of(lob_[0]), SQLCS_IMPLICIT);
    EXPECT_EQ(form_of(lob_[1]), SQLCS_NCHAR);
    for (OCILobLocator* lob : lob_) {
        ub4 length = 0;
        ASSERT_EQ(t_->LobGetLength(svc_, err_, lob, &length), OCI_SUCCESS) << error_text();
        EXPECT_EQ(length, source_.size()) << "the length counts what a read counts";
        for (ub4 chars : {1u, 2u, 3u, 7u, 64u, 100000u}) {
            int reads = 0;
            EXPECT_EQ(read_utf16(lob, chars, &reads), source_) << chars << " at a time";
            EXPECT_EQ(reads, static_cast<int>((source_.size() + chars - 1) / chars) + 1)
                << "the last read, past the end, returns 0";
        }
    }
    // A read that ends between the halves of a pair leaves the second half to the next one.
    const size_t pair = source_.find(u16("𝄞"));
    ASSERT_NE(pair, std::u16string::npos);
    char16_t half = 0;
    ub4 amount = 1;
    ASSERT_EQ(t_->LobRead(svc_, err_, lob_[0], &amount, static_cast<ub4>(pair + 1), &half,
                          sizeof half, nullptr, nullptr, 0, SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(amount, 1u);
    EXPECT_EQ(half, source_[pair]);
    amount = 1;
    ASSERT_EQ(t_->LobRead(svc_, err_, lob_[0], &amount, static_cast<ub4>(pair + 2), &half,
                          sizeof half, nullptr, nullptr, OCI_UTF16ID, SQLCS_IMPLICIT),
              OCI_SUCCESS)
        << "the character set asked for by its id: the same";
    EXPECT_EQ(half, source_[pair + 1]);
}

TEST_P(LobChars, Utf8ByItsIdCarriesWholeCharactersAndCountsBytesOut) {
    for (OCILobLocator* lob : lob_) {
        EXPECT_EQ(read_utf8(lob, 2, 8), text_) << "two characters, a pair at most";
        EXPECT_EQ(read_utf8(lob, 5, 64), text_);
        EXPECT_EQ(read_utf8(lob, 9, 9), text_) << "the buffer, not the amount, bounds these";
        EXPECT_EQ(read_utf8(lob, 4096, 4096), text_);
    }
    const size_t pair = source_.find(u16("𝄞"));
    ASSERT_NE(pair, std::u16string::npos);
    char buf[16];
    ub4 amount = 4;
    EXPECT_EQ(t_->LobRead(svc_, err_, lob_[0], &amount, static_cast<ub4>(pair + 2), buf, sizeof buf,
                          nullptr, nullptr, 873, SQLCS_IMPLICIT),
              OCI_ERROR)
        << "an offset on the second half of a pair";
    EXPECT_EQ(error_code(), 22831);
    amount = 1;
    EXPECT_EQ(t_->LobRead(svc_, err_, lob_[0], &amount, static_cast<ub4>(pair + 1), buf, sizeof buf,
                          nullptr, nullptr, 871, SQLCS_IMPLICIT),
              OCI_ERROR)
        << "an amount that ends inside a pair";
    EXPECT_EQ(error_code(), 22831);
    amount = 2;
    ASSERT_EQ(t_->LobRead(svc_, err_, lob_[0], &amount, static_cast<ub4>(pair + 1), buf, sizeof buf,
                          nullptr, nullptr, 871, SQLCS_IMPLICIT),
              OCI_SUCCESS);
    EXPECT_EQ(std::string(buf, amount), "𝄞");
}

TEST_P(LobChars, AnAmountBeyondTheBufferIsPolledPieceByPiece) {
    for (ub2 csid : {ub2{0}, ub2{873}}) {
        std::string utf8;
        std::u16string units;
        char buf[10];
        ub4 offset = 1;
        sword status = OCI_NEED_DATA;
        int calls = 0;
        while (status == OCI_NEED_DATA && calls < 100000) {
            ub4 amount = 0;
            status = t_->LobRead(svc_, err_, lob_[0], &amount, offset, buf, sizeof buf, nullptr,
                                 nullptr, csid, SQLCS_IMPLICIT);
            ASSERT_TRUE(status == OCI_NEED_DATA || status == OCI_SUCCESS) << error_text();
            ASSERT_GT(amount, 0u);
            if (csid == 0) {
                const size_t at = units.size();
                units.resize(at + amount);
                std::memcpy(units.data() + at, buf, size_t{amount} * 2);
            } else {
                utf8.append(buf, amount);
            }
            // The offset of a call that polls is not looked at.
            offset = 7;
            ++calls;
        }
        EXPECT_EQ(status, OCI_SUCCESS) << "the last piece ends the poll";
        if (csid == 0) {
            EXPECT_EQ(units, source_);
            EXPECT_EQ(calls, static_cast<int>((source_.size() + 4) / 5));
        } else {
            EXPECT_EQ(utf8, text_);
        }
        // Ended: a read names its offset again.
        ub4 amount = 2;
        ASSERT_EQ(t_->LobRead(svc_, err_, lob_[0], &amount, 2, buf, sizeof buf, nullptr, nullptr,
                              csid, SQLCS_IMPLICIT),
                  OCI_SUCCESS);
        EXPECT_EQ(amount, csid == 0 ? 2u : 4u) << "μέ: two characters, four bytes of UTF-8";
    }
    // A buffer that holds the whole amount reads it in one piece.
    std::vector<char16_t> all(source_.size());
    ub4 amount = 0;
    ASSERT_EQ(t_->LobRead(svc_, err_, lob_[1], &amount, 1, all.data(),
                          static_cast<ub4>(all.size() * 2), nullptr, nullptr, 0, SQLCS_NCHAR),
              OCI_SUCCESS);
    EXPECT_EQ(std::u16string(all.data(), amount), source_);
}

struct collected {
    std::u16string units;
    std::vector<int> pieces;
};

sb4 collect(void* ctx, const void* buf, ub4 len, ub1 piece) {
    auto* c = static_cast<collected*>(ctx);
    const size_t at = c->units.size();
    c->units.resize(at + len / 2);
    std::memcpy(c->units.data() + at, buf, len / 2 * 2);
    c->pieces.push_back(piece);
    return OCI_CONTINUE;
}

TEST_P(LobChars, ACallbackReadHandsTheWholeAmountInPiecesOfTheBuffer) {
    collected got;
    char16_t buf[3];
    ub4 amount = 0;
    ASSERT_EQ(t_->LobRead(svc_, err_, lob_[1], &amount, 1, buf, sizeof buf, &got, collect, 0,
                          SQLCS_NCHAR),
              OCI_SUCCESS)
        << error_text();
    EXPECT_EQ(amount, source_.size()) << "characters in all";
    EXPECT_EQ(got.units, source_);
    ASSERT_EQ(got.pieces.size(), (source_.size() + 2) / 3);
    EXPECT_EQ(got.pieces.front(), OCI_FIRST_PIECE);
    EXPECT_EQ(got.pieces.back(), OCI_LAST_PIECE);
}

INSTANTIATE_TEST_SUITE_P(Clients, LobChars, ::testing::Values("embedded", "library"),
                         [](const auto& info) { return info.param; });

}  // namespace
