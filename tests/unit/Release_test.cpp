#include "agent/Release.h"

#include <gtest/gtest.h>

#include <string>

#include "Release.h" // the release publisher's, which writes what the agent reads

namespace {

TEST(Release, OnlyTheTextOneIsTrue)
{
    const struct {
        const char* stored;
        bool expected;
    } cases[] = {{"1", true}, {"yes", false}, {"true", false}, {"2", false}, {"", false}, {" 1", false}};
    for (const auto& c : cases)
        EXPECT_EQ(FlagText(c.stored), c.expected) << c.stored;
}

TEST(Release, EveryValueFromTheBytes)
{
    const Release r = ParseRelease("[NewSetup]\r\n"
                                   "DownloadURL_UPDATE=http://h/upd\r\n"
                                   "NameOfUpdateFile=demo-12.exe\r\n"
                                   "SizeOfUpdateFile=4096\r\n"
                                   "RequestConfirmationBeforeDownload=1\r\n"
                                   "RequestConfirmationBeforeInstall=yes\r\n"
                                   "BackgroundUpdate=1\r\n"
                                   "RestartProcess=1\r\n"
                                   "ShutDownMethod=Using WM_CLOSE\r\n"
                                   "RunningProcess=\"<InstallDir>demo.exe\" /tray\r\n"
                                   "ProgramName=Demo\r\n"
                                   "VersionNew=12\r\n"
                                   "Stamp=5\r\n"
                                   "ShutDownWaitSeconds=45\r\n"
                                   "ValidVersions=10,11\r\n"
                                   "RemoveStartUpShortcut=1\r\n"
                                   "[General]\r\nAutoInform=1\r\n"
                                   "[AutoInform]\r\nDownloadURL_INFORM=https://h/news\r\nNameOfInformFile=news.rtf\r\n"
                                   "SizeOfInformFile=300\r\nAutoInformW=500\r\n");
    EXPECT_EQ(r.downloadUrl, "http://h/upd");
    EXPECT_EQ(r.nameOfUpdateFile, "demo-12.exe");
    EXPECT_EQ(r.sizeOfUpdateFile, 4096);
    EXPECT_TRUE(r.confirmDownload);
    EXPECT_FALSE(r.confirmInstall); // "yes" is no flag
    EXPECT_TRUE(r.backgroundUpdate);
    EXPECT_TRUE(r.restartProcess);
    EXPECT_FALSE(r.informFinish);
    EXPECT_EQ(r.shutDownMethod, "Using WM_CLOSE");
    // One pair of enclosing quotes goes; a quote inside the value stays.
    EXPECT_EQ(r.runningProcess, "\"<InstallDir>demo.exe\" /tray");
    EXPECT_EQ(r.programName, "Demo");
    EXPECT_EQ(r.versionNew, 12);
    EXPECT_EQ(r.stamp, 5);
    EXPECT_EQ(r.shutDownWaitSeconds, 45);
    EXPECT_EQ(r.validVersions, "10,11");
    EXPECT_TRUE(r.removeStartUpShortcut);
    EXPECT_FALSE(r.removeCheckForNewUpdateShortcut);
    EXPECT_TRUE(r.autoInform);
    EXPECT_EQ(r.informAddress, "https://h/news");
    EXPECT_EQ(r.nameOfInformFile, "news.rtf");
    EXPECT_EQ(r.sizeOfInformFile, 300);
    EXPECT_EQ(r.informWidth, 500);
    EXPECT_EQ(r.informHeight, 360); // missing: the default
}

TEST(Release, EmptyOrForeignBytesGiveNothingToFetch)
{
    for (const std::string& bytes : {std::string(), std::string("<html><title>404</title></html>"),
                                     std::string("\0\xff[NewSetup]", 12), std::string("[General]\nAutoInform=2\n")}) {
        const Release r = ParseRelease(bytes);
        EXPECT_TRUE(r.downloadUrl.empty());
        EXPECT_TRUE(r.nameOfUpdateFile.empty());
        EXPECT_EQ(r.versionNew, 0);
        EXPECT_FALSE(r.autoInform);
    }
}

TEST(Release, OverridesReplaceTheFlagsTheyStandFor)
{
    Release r;
    r.confirmDownload = false;
    r.restartProcess = true;
    r.removeStartUpShortcut = true;
    OverrideBytes o = FreshOverrides();
    o[static_cast<int>(Override::ConfirmDownload)] = 1;
    o[static_cast<int>(Override::RestartProcess)] = 0;
    o[static_cast<int>(Override::AskBeforeCheck)] = 1; // no flag of the release
    Release overridden = r;
    ApplyOverrides(overridden, o);
    EXPECT_TRUE(overridden.confirmDownload);
    EXPECT_FALSE(overridden.restartProcess);
    EXPECT_TRUE(overridden.removeStartUpShortcut); // has no override
    EXPECT_FALSE(overridden.confirmInstall);
    // All 255: the release's own flags.
    Release same = r;
    ApplyOverrides(same, FreshOverrides());
    EXPECT_FALSE(same.confirmDownload);
    EXPECT_TRUE(same.restartProcess);
}

// The publisher writes every key the agent reads; what it wrote reads back.
TEST(Release, WhatThePublisherWritesReadsBack)
{
    ReleasePlan plan;
    plan.downloadUrl = "http://127.0.0.1:8080/upd";
    plan.version = 7;
    plan.stamp = 9;
    plan.validVersions = "5,6";
    plan.programName = "Sample";
    plan.setup = "sample-7.exe";
    plan.updateFileName = "sample-7.exe";
    plan.runningProcess = "<InstallDir>sample.exe";
    plan.shutDownMethod = "Using WM_QUIT";
    plan.flags = {{"RequestConfirmationBeforeDownload", "0"}, {"RestartProcess", "1"}, {"InformFinish", "1"}};
    ServedFile update;
    update.size = 123456;
    const Release r = ParseRelease(InfoText(plan, update, ServedFile{}));
    EXPECT_EQ(r.downloadUrl, plan.downloadUrl);
    EXPECT_EQ(r.nameOfUpdateFile, "sample-7.exe");
    EXPECT_EQ(r.sizeOfUpdateFile, 123456);
    EXPECT_EQ(r.versionNew, 7);
    EXPECT_EQ(r.stamp, 9);
    EXPECT_EQ(r.validVersions, "5,6");
    EXPECT_EQ(r.programName, "Sample");
    EXPECT_EQ(r.runningProcess, "<InstallDir>sample.exe");
    EXPECT_EQ(r.shutDownMethod, "Using WM_QUIT");
    EXPECT_FALSE(r.confirmDownload);
    EXPECT_TRUE(r.restartProcess);
    EXPECT_TRUE(r.informFinish);
    EXPECT_FALSE(r.autoInform);
    EXPECT_EQ(r.informWidth, 360);
}

} // namespace
