#pragma once

// The steps that shape an output document beyond inserting the selected
// pages: bookmarks named after the source, the output's folder, padding files
// and moving the source afterwards. They work on the automation objects of the
// run that calls them.

#include "engine/Automation.h"
#include "engine/MessageHost.h"
#include "engine/PaddingFiles.h"
#include "engine/RunObjects.h"

#include <string>

namespace quorvel {

// The last argument of InsertPages for an entry's page ranges: 1 when its
// "Keep Bookmarks" text is exactly "Y", else 0.
int CopyBookmarksFlag(const std::string& keepBookmarks);

// The output path as the run uses it: every pair of adjacent '/' becomes one
// '/' (pairs are taken left to right without overlap, so "///" gives "//").
std::string CollapseDoubledSeparators(const std::string& path);

// The folder part of a path: everything up to and including its last '/';
// empty when the path has no '/'.
std::string GetDirectoryPart(const std::string& path);

// The last component of a path (extension kept); the whole path when it has
// no '/'.
std::string GetFileTitle(const std::string& path);

// Adds a top-level bookmark titled with the source's file title at page
// `page` (0-based) of the output: opens a view of the output, shows the page,
// runs "NewBookmark" and renames the new "Untitled" bookmark. Replaces the
// run's view and page view. A bookmark object that cannot be created is
// reported ("Failed to create PDBookmark object") and the bookmark keeps its
// title; nothing else is reported, and the run always goes on.
void AddFilenameBookmark(RunObjects& objects, IAutomationFactory& factory, IMessageHost& host,
                         const std::string& outputPath, const std::string& sourcePath,
                         int32_t page);

// Creates the output's folder, one level only; failures (it exists, its
// parent is missing) are ignored. A path without a folder part creates nothing.
void CreateOutputFolder(const std::string& outputPath);

// Appends the padding files to the output, in the order odd-every, on-each,
// odd-final, each whole, through the run's source object. `isLastRow` says
// whether the entry is the job list's last row now. A file missing on disk is
// reported ("Unable to open file: " and its path) and skipped. Returns false
// after reporting a failure that ends the run (the server could not open,
// insert or close a padding file); the caller then ends the run.
bool AppendPaddingFiles(RunObjects& objects, IMessageHost& host, const PaddingFiles& files,
                        bool isLastRow);

// Moves the source into folder `moveDir` (created, one level, when missing),
// replacing a file of the same name there. The source is deleted only after
// its copy is complete under the target name; when the copy fails, or when
// the target already is the source (the folder is the source's own), the
// source stays where it is. Reports nothing; returns true when the source now
// lives at the target only.
bool MoveSourceAfterAppend(const std::string& sourcePath, const std::string& moveDir);

} // namespace quorvel
