// The keyring store against a real Secret Service (gnome-keyring on a private
// session bus, started by with_keyring.sh), and against none at all.
#include "keyring.h"

#include <gtest/gtest.h>

#include <cstdlib>

using shell::KeyringStore;

TEST(Keyring, WritesReadsAndForgetsInTheSecretService)
{
    ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "run through with_keyring.sh";
    KeyringStore store("SQL*Vigil test");
    std::string error, secret;
    ASSERT_TRUE(store.write("token-1", "pässwörd 30 characters long!!", error)) << error;
    ASSERT_TRUE(store.write("token-2", "other", error)) << error;
    ASSERT_TRUE(store.read("token-1", secret, error)) << error;
    EXPECT_EQ(secret, "pässwörd 30 characters long!!");
    ASSERT_TRUE(store.read("token-2", secret, error)) << error;
    EXPECT_EQ(secret, "other");
    ASSERT_TRUE(store.remove("token-1", error)) << error;
    EXPECT_FALSE(store.read("token-1", secret, error));
    EXPECT_FALSE(error.empty());
}

TEST(Keyring, NoSecretServiceMeansNotAvailable)
{
    // The process's session bus is fixed when first used, so with_keyring.sh runs
    // this case in a process of its own whose bus address leads nowhere.
    if (std::getenv("SQLVIGIL_KEYRING_FALLBACK") == nullptr)
        GTEST_SKIP() << "runs in the fallback pass of with_keyring.sh";
    KeyringStore store("SQL*Vigil test", 3000);
    std::string error, secret;
    EXPECT_FALSE(store.write("t", "x", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(store.read("t", secret, error));
    EXPECT_FALSE(error.empty());
}
