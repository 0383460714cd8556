#include "model/DomainValidation.h"
#include "platform/ShownMessages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

// The answer and every message shown while validating.
struct Outcome {
    bool valid;
    std::vector<ShownMessage> messages;
};

Outcome validate(const std::vector<std::string>& domains) {
    ShownMessages shown;
    bool valid = validateDomainList(domains);
    return {valid, shown.messages()};
}

void expectValid(const std::string& domain) {
    Outcome outcome = validate({domain});
    EXPECT_TRUE(outcome.valid) << domain;
    EXPECT_TRUE(outcome.messages.empty()) << domain;
}

void expectRefused(const std::vector<std::string>& domains, const std::string& message) {
    Outcome outcome = validate(domains);
    EXPECT_FALSE(outcome.valid) << message;
    EXPECT_EQ(outcome.messages, (std::vector{ShownMessage{message, true}}));
}

void expectInvalidDomain(const std::string& domain) { expectRefused({domain}, "Invalid domain: '" + domain + "'"); }

} // namespace

TEST(DomainValidation, AcceptsOrdinaryDomains) {
    for (const char* domain :
         {"example.com", "localhost", "*example.com", "*ex*ample.com", "exa_mple.com", "EXAMPLE.COM", "a b.example",
          "a-b.example", "xn--bcher-kva.example", "bücher.example"}) {
        expectValid(domain);
    }
    Outcome many = validate({"a.example", "localhost", "*b.example"});
    EXPECT_TRUE(many.valid);
    EXPECT_TRUE(many.messages.empty());
}

TEST(DomainValidation, RefusesMalformedDomainsNamingThem) {
    for (const char* domain : {"example", "*localhost", ".example.com", "example.com.", "-example.com", "example.com-",
                               "ex*ample.com", "*.example.com", "example.*com", "a.*", "LOCALHOST"}) {
        expectInvalidDomain(domain);
    }
}

TEST(DomainValidation, RefusesEveryForbiddenCharacter) {
    const std::string forbidden = "!@#$%^&()+=`[]{}\\|;:\"',~<>?/";
    ASSERT_EQ(forbidden.size(), 28u);
    for (char c : forbidden) {
        expectInvalidDomain(std::string("a") + c + "b.example");
    }
    expectInvalidDomain("a…b.example");
    expectInvalidDomain("a?b.example");
    expectInvalidDomain("exa/mple.com");
}

TEST(DomainValidation, OtherCharactersSharingTheEllipsisBytesAreAllowed) {
    // U+2025 and U+2027 share two of the ellipsis's three bytes; U+2026 itself must appear whole.
    expectValid("a‥b.example");
    expectValid("a‧b.example");
}

TEST(DomainValidation, EmptyListsAndFieldsHaveTheirOwnMessages) {
    expectRefused({}, "Domain list is empty");
    expectRefused({""}, "Domain field is empty");
    expectRefused({"a.example", "", "bad"}, "Domain field is empty");
}

TEST(DomainValidation, StopsAtTheFirstBadDomain) {
    expectRefused({"a.example", "first", "second", ""}, "Invalid domain: 'first'");
}
