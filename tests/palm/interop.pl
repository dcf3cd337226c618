#!/usr/bin/perl
# Debian's Palm::PDB for the interoperability test of the platform's database
# library: "write OUT.pdb" writes a fixed database, "read IN.pdb" prints its
# header and one line per record.
use strict;
use warnings;
use Palm::PDB;
use Palm::Raw;

my ($mode, $path) = @ARGV;
if ($mode eq 'write') {
    my $pdb = Palm::Raw->new;
    @$pdb{qw(name type creator version modnum appinfo)} =
        ("Interop_DB", "DATA", "LDGY", 4, 42, "APPINFO\0\1");
    $pdb->{attributes}{backup} = 1;
    for my $r ([1, 1, 1, 0, "14.3.00,9:05,1:30,M\xFCller GmbH\0"], [2, 2, 0, 0, "UID=U-17\0"],
               [3, 14, 1, 1, "binary\0\1\2\xFF"]) {
        my $rec = $pdb->append_Record;
        $rec->{id} = 100 + $r->[0];
        $rec->{category} = $r->[1];
        $rec->{attributes}{$_} = $r->[2] for qw(dirty Dirty);
        $rec->{attributes}{private} = $r->[3];
        $rec->{data} = $r->[4];
    }
    $pdb->Write($path);
} else {
    my $pdb = Palm::PDB->new;
    $pdb->Load($path);
    print join('|', @$pdb{qw(name type creator version modnum)}, scalar @{$pdb->{records}},
               unpack('H*', $pdb->{appinfo} // '')), "\n";
    for my $rec (@{$pdb->{records}}) {
        print join('|', $rec->{id}, $rec->{category}, $rec->{attributes}{dirty} ? 1 : 0,
                   $rec->{attributes}{private} ? 1 : 0, unpack('H*', $rec->{data})), "\n";
    }
}
