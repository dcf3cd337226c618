#!/usr/bin/perl
# Reads and writes .pdb files with Debian's Palm::PDB for the interoperability
# tests of the platform's database library.
#   interop.pl write OUT.pdb   writes a fixed database
#   interop.pl read IN.pdb     prints the header and one line per record
use strict;
use warnings;
use Palm::PDB;
use Palm::Raw;

my ($mode, $path) = @ARGV;
if ($mode eq 'write') {
    my $pdb = Palm::Raw->new;
    $pdb->{name} = "Interop_DB";
    $pdb->{type} = "DATA";
    $pdb->{creator} = "LDGY";
    $pdb->{version} = 4;
    $pdb->{attributes}{backup} = 1;
    $pdb->{ctime} = 1000000000;
    $pdb->{mtime} = 1000000500;
    $pdb->{baktime} = 999;
    $pdb->{modnum} = 42;
    $pdb->{appinfo} = "APPINFO\0\1";
    my @records = ([1, 1, 1, "14.3.00,9:05,1:30,M\xFCller GmbH\0"],
                   [2, 2, 0, "UID=U-17\0"],
                   [3, 14, 1, "binary\0\1\2\xFF"]);
    for my $r (@records) {
        my $rec = $pdb->append_Record;
        $rec->{id} = 100 + $r->[0];
        $rec->{category} = $r->[1];
        $rec->{attributes}{dirty} = $r->[2];
        $rec->{attributes}{Dirty} = $r->[2];
        $rec->{data} = $r->[3];
    }
    $pdb->Write($path);
} elsif ($mode eq 'read') {
    my $pdb = Palm::PDB->new;
    $pdb->Load($path);
    print join('|', $pdb->{name}, $pdb->{type}, $pdb->{creator}, $pdb->{version},
               $pdb->{modnum}, scalar @{$pdb->{records}}, unpack('H*', $pdb->{appinfo} // '')), "\n";
    for my $rec (@{$pdb->{records}}) {
        print join('|', $rec->{id}, $rec->{category}, $rec->{attributes}{dirty} ? 1 : 0,
                   $rec->{attributes}{private} ? 1 : 0, unpack('H*', $rec->{data})), "\n";
    }
} else {
    die "usage: interop.pl write|read FILE\n";
}
