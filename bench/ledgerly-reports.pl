#!/usr/bin/perl
# What a Linux user would write instead of the conduit: the five Ledgerly
# reports in their default layout (tab-separated, title and column names,
# notes on one line, CR LF) from a Ledgerly_DB.pdb, with Debian's Palm::PDB.
# Usage: ledgerly-reports.pl LEDGERLY_DB.pdb USER [UID] OUTDIR
# Reads every record and rewrites the reports, as "always all records" does.
use strict;
use warnings;
use Palm::PDB;
use Palm::Raw;

my ($file, $user, $uid, $out) = @ARGV == 4 ? @ARGV : (@ARGV[0, 1], '', $ARGV[2]);
die "usage: $0 LEDGERLY_DB.pdb USER [UID] OUTDIR\n" unless defined $out;

# Kind by category: report file, title, column names, fields after the date.
my %kinds = (
    1 => ['Ledgerly Arbeitszeiten.txt', '*** Ledgerly Arbeitszeiten Tabelle ***',
          [qw(PilotID UserID Datum Kunde Projekt T\xe4tigkeit Startzeit Dauer Bemerkungen)]],
    2 => ['Ledgerly Ausgaben.txt', '*** Ledgerly Ausgaben Tabelle ***',
          [qw(PilotID UserID Datum Kunde Projekt Verwendung Menge Einzel Gesamt Bemerkungen)]],
    3 => ['Ledgarly Fahrten.txt', '*** Ledgerly Fahrten Tabelle ***',
          [qw(PilotID UserID Datum Kunde Projekt T\xe4tigkeit Abfahrt Ankunft Abfahrt_KM
              Ankunft_KM Entfernung_KM Bemerkungen)]],
    4 => ['Ledgerly Notizen.txt', '*** Ledgerly Notiz Tabelle ***',
          [qw(PilotID UserID Datum Kunde Projekt Thema Bemerkungen)]],
    5 => ['Ledgerly Kontakte.txt', '*** Ledgerly Kontakt Tabelle ***',
          [qw(PilotID UserID Datum Kunde Projekt Thema Name Bemerkungen)]],
);
for my $k (values %kinds) { s/\\xe4/\xe4/ for @{ $k->[2] }; }

my $pdb = Palm::PDB->new;
$pdb->Load($file);
my %fh;
for my $c (sort keys %kinds) {
    open($fh{$c}, '>:raw', "$out/$kinds{$c}[0]") or die "$kinds{$c}[0]: $!\n";
}
my %written;
my $text = qr/([^,]+)/;
my $num = qr/\s*([+-]?\d+)/;
for my $r (@{ $pdb->{records} }) {
    my $c = $r->{category};
    my $k = $kinds{$c} or die "record of unknown category $c\n";
    (my $t = $r->{data}) =~ s/\0.*//s;
    my ($d, $m, $y, @f);
    if ($c == 1) {
        ($d, $m, $y, my ($sh, $sm, $dh, $dm), @f) =
            $t =~ /^$num\.$num\.$num,$num:$num,$num:$num,$text,$text,$text(?:,([^\x1a]*))?/
            or die "bad record: $t\n";
        @f = (@f[0 .. 2], sprintf('%02d:%02d', $sh, $sm), $dh * 60 + $dm, $f[3]);
    } elsif ($c == 2) {
        ($d, $m, $y, @f) =
            $t =~ /^$num\.$num\.$num,$text,$text,$text,$text,$text,$text(?:,([^\x1a]*))?/
            or die "bad record: $t\n";
        $f[$_] = sprintf('%.6f', $f[$_] =~ /^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)/ ? $1 : 0)
            for 3 .. 5;
    } elsif ($c == 3) {
        ($d, $m, $y, @f) =
            $t =~ /^$num\.$num\.$num,$text,$text,$text,$text,$text,$num,$num,$num(?:,([^\x1a]*))?/
            or die "bad record: $t\n";
    } elsif ($c == 4) {
        ($d, $m, $y, @f) = $t =~ /^$num\.$num\.$num,$text,$text,$text(?:,([^\x1a]*))?/
            or die "bad record: $t\n";
    } else {
        ($d, $m, $y, @f) = $t =~ /^$num\.$num\.$num,$text,$text,$text,$text(?:,([^\x1a]*))?/
            or die "bad record: $t\n";
        $f[3] =~ s/^\$.{8}://;
    }
    $f[-1] = '' unless defined $f[-1];
    $f[-1] =~ tr/\r\n/  /;
    my $date = sprintf('%04d/%02d/%02d', $y < 50 ? 2000 + $y : 1900 + $y, $m, $d);
    my @names = @{ $k->[2] };
    my @values = ($user, $uid, $date, @f);
    if ($uid eq '') { splice(@names, 1, 1); splice(@values, 1, 1); }
    my $fh = $fh{$c};
    print $fh "$k->[1]\r\n\r\n", join("\t", @names), "\r\n" unless $written{$c}++;
    print $fh join("\t", @values), "\r\n";
}
close($_) or die "$!\n" for values %fh;
