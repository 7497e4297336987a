#!/usr/bin/env bash
# Fails when a window's connect() reaches a handler that is not run through guard() (see
# src/platform/guard.h): a failure thrown there would end the program. The main window and the
# examination guard every command in their own way; the platform doors run no handlers of ours.
set -euo pipefail
cd "$(dirname "$0")/.."
# Not wrapped, with the reason: app/signal_watch.cpp only reads its socket and emits; the handler it
# sets off is guarded where it is connected (main.cpp). ui/qt_doors.cpp is the doors' timers: the
# step or tick they pass on is the examination's, which guards it. core/knowledge_reading.cpp
# hands a reading's end to a callback that its caller guards (the examination, the map).
exceptions='src/app/signal_watch.cpp src/ui/qt_doors.cpp src/core/knowledge_reading.cpp'
files=$(find src -name '*.cpp' -o -name '*.h' | grep -v -e '^src/platform/' -e '^src/exam/' -e '/main_window' | sort)
for e in $exceptions; do files=$(grep -vx "$e" <<<"$files" || true); done
perl -0777 -ne '
    my $text = $_;
    $text =~ s{//[^\n]*}{}g;                  # comments
    $text =~ s{"(?:[^"\\\n]|\\.)*"}{""}g;     # string literals
    while ($text =~ /\bconnect\s*\(/g) {
        my ($start, $depth, $i) = ($-[0], 1, $+[0]);
        for (; $i < length($text) && $depth > 0; ++$i) {
            my $c = substr($text, $i, 1);
            $depth += $c eq "(" ? 1 : $c eq ")" ? -1 : 0;
        }
        my $call = substr($text, $start, $i - $start);
        next if $call =~ /\bguard\s*\(/;
        my $line = 1 + (substr($text, 0, $start) =~ tr/\n//);
        print "$ARGV:$line: connect() to a handler not wrapped in guard()\n";
        $main::bad = 1;
    }
    END { exit($main::bad ? 1 : 0) }
' $files
echo "every connect() of the windows runs guarded"
