#!/usr/bin/env python3
"""kalvo-cli sync-setup, sync and delete as a user runs them, against real Radicale and Xandikos started per
test on loopback ports (tests/sync/servers.py), with the fault proxy where a server must misbehave.

    cli_sync_test.py KALVO_CLI [unittest arguments]

The keyring tests (class KeyringTest) run only inside tests/sync/with_keyring.py, which sets
KALVO_TEST_KEYRING; elsewhere passwords come from a command.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import fault_proxy  # noqa: E402
import servers  # noqa: E402

CLI = sys.argv.pop(1) if len(sys.argv) > 1 else "kalvo-cli"
KEYRING = os.environ.get("KALVO_TEST_KEYRING", "")


def have(program):
    return shutil.which(program) is not None


class Folder:
    """One Kalvo data folder and user, driven through kalvo-cli."""

    def __init__(self, test, name="jana"):
        self.test = test
        self.dir = tempfile.mkdtemp(prefix="kalvo-cli-sync-")
        self.user = name
        test.addCleanup(shutil.rmtree, self.dir, True)

    def environment(self, env):
        full = dict(os.environ, TZ="Europe/Bratislava", LANG="C.UTF-8", KALVO_LOCK_WAIT_MS="5000")
        if not KEYRING:
            full["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"  # no program and no keyring to ask
        full.update(env or {})
        return full

    def run(self, *args, stdin=None, env=None):
        p = subprocess.run([CLI, "--dir", self.dir, "--user", self.user, *args], input=stdin, capture_output=True,
                           env=self.environment(env), timeout=120)
        return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8")

    def start(self, *args):
        """kalvo-cli left running; the caller ends it."""
        return subprocess.Popen([CLI, "--dir", self.dir, "--user", self.user, *args], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env=self.environment(None))

    def ok(self, *args, **kw):
        code, out, err = self.run(*args, **kw)
        self.test.assertEqual(code, 0, "%s: %s" % (args, err))
        return json.loads(out) if out.strip() else None

    def setup(self, server, address=None, *extra):
        args = ["sync-setup", address or server.calendar]
        if server.user:
            args += ["--login", server.user, "--password-command", "echo " + server.password]
        return self.ok(*args, *extra)

    def sync(self):
        return self.ok("sync")

    def day(self, date):
        return [(r["time"], r["text"]) for r in self.ok("list", "--day", date)["reminders"]]

    def files(self):
        return sorted(os.listdir(self.dir))

    def path(self, name):
        return os.path.join(self.dir, name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def account(self):
        return self.read(self.user + ".sync.ini").decode("utf-8")


def counts(sent=0, received=0, deleted_here=0, deleted_there=0, conflicts=0):
    return {"sent": sent, "received": received, "deleted_here": deleted_here, "deleted_there": deleted_there,
            "conflicts": conflicts}


class ServerTestCase(unittest.TestCase):
    def server(self, kind, **options):
        try:
            context = servers.running(kind, **options)
            server = context.__enter__()
        except servers.Missing as missing:
            self.skipTest("%s is not installed" % missing)
        self.addCleanup(context.__exit__, None, None, None)
        return server


@unittest.skipIf(KEYRING, "runs without a keyring")
class SetupTest(ServerTestCase):
    def test_a_server_address_gets_a_calendar_named_kalvo_made_for_it(self):
        for kind in ("radicale", "xandikos"):
            with self.subTest(kind):
                server = self.server(kind, auth="basic")
                folder = Folder(self)
                found = folder.setup(server, server.base)
                self.assertEqual(found["name"], "Kalvo")
                self.assertTrue(found["calendar"].startswith(server.principal), found)
                status, _, _ = server.request("PROPFIND", found["calendar"], headers={"Depth": "0"})
                self.assertEqual(status, 207)
                # Set up again, the same calendar is found, not a second one made.
                self.assertEqual(folder.setup(server, server.base), found)
                self.assertIn("Calendar=" + found["calendar"], folder.account())

    def test_a_calendar_is_taken_by_its_address_or_its_name(self):
        server = self.server("radicale", auth="basic")
        folder = Folder(self)
        self.assertEqual(folder.setup(server), {"calendar": server.calendar, "name": "Kalendár"})
        self.assertEqual(folder.setup(server, server.base, "--calendar", "kalendár"),
                         {"calendar": server.calendar, "name": "Kalendár"})

    def test_a_password_with_slovak_letters_reaches_the_server_as_typed(self):
        password = "čaj-s-medom-5"
        server = self.server("radicale", auth="basic", password=password)
        folder = Folder(self)
        self.assertEqual(folder.setup(server), {"calendar": server.calendar, "name": "Kalendár"})
        self.assertEqual(folder.sync(), counts())
        # The same through Digest, which the fault proxy asks for in front of Xandikos.
        xandikos = self.server("xandikos")
        proxy = fault_proxy.FaultProxy(xandikos.base)
        self.addCleanup(proxy.stop)
        proxy.require_digest(servers.USER, password)
        calendar = xandikos.calendar.replace(xandikos.base, proxy.base)
        found = Folder(self).ok("sync-setup", calendar, "--login", servers.USER, "--password-command", "echo " + password)
        self.assertEqual(found["calendar"], calendar)

    def test_a_missing_calendar_that_may_not_be_made_lists_the_candidates(self):
        server = self.server("radicale", auth="basic", may_create=False)
        folder = Folder(self)
        code, out, err = folder.run("sync-setup", server.base, "--login", server.user, "--password-command",
                                    "echo " + server.password, "--calendar", "Práca")
        self.assertEqual((code, out), (1, ""), err)
        self.assertIn("Kalendár „Práca“ na serveri nie je", err)
        self.assertIn("„Kalendár“  " + server.calendar, err)
        self.assertFalse(os.path.exists(folder.path(folder.user + ".sync.ini")))

    def test_refusals_are_told_in_slovak_and_store_nothing(self):
        server = self.server("radicale", auth="basic", read_only=("shared",))
        folder = Folder(self)
        login = ["--login", server.user]
        cases = [
            (["sync-setup", server.calendar, *login, "--password-command", "echo zle-heslo"], 1,
             "odmietol prihlasovacie meno alebo heslo"),
            (["sync-setup", server.principal + "shared/", *login, "--password-command", "echo " + server.password], 1,
             "je len na čítanie"),
            (["sync-setup", "http://127.0.0.1:%d/" % servers.free_port(), "--calendar", "x"], 1, ""),
            (["sync-setup", "ftp://example.org/"], 2, "nie je adresou servera"),
            (["sync-setup", server.calendar, *login, "--password-command", "exit 3"], 1, "Príkaz na heslo zlyhal"),
            (["sync-setup", server.calendar, "--password-command", "echo x"], 2, "--login"),
            (["sync-setup", server.calendar, *login, "--password-stdin", "--password-command", "echo x"], 2, "nie oboma"),
            (["sync-setup", server.calendar, "--accept-certificate", "AB:CD"], 2, "SHA-256"),
            (["sync-setup"], 2, "potrebuje adresu servera"),
            (["sync-setup", server.calendar, *login, "--password-stdin"], 2, "Na štandardnom vstupe nie je heslo"),
        ]
        for args, code, said in cases:
            with self.subTest(args):
                got, out, err = folder.run(*args, stdin=b"")
                self.assertEqual((got, out), (code, ""), err)
                self.assertIn(said, err)
                self.assertTrue(err.startswith("kalvo-cli: "), err)
        self.assertEqual(folder.files(), [])

    def test_a_self_signed_certificate_is_accepted_by_its_fingerprint(self):
        server = self.server("radicale", auth="basic", tls=True)
        folder = Folder(self)
        login = ["--login", server.user, "--password-command", "echo " + server.password]
        code, _, err = folder.run("sync-setup", server.calendar, *login)
        self.assertEqual(code, 1, err)
        self.assertIn("Odtlačok SHA-256: " + server.fingerprint, err)
        self.assertIn("--accept-certificate " + server.fingerprint, err)
        self.assertFalse(os.path.exists(folder.path(folder.user + ".sync.ini")))
        # Another fingerprint is refused like none.
        other = ":".join(["00"] * 32)
        self.assertEqual(folder.run("sync-setup", server.calendar, *login, "--accept-certificate", other)[0], 1)
        spelled = server.fingerprint.replace(":", "").lower()
        found = folder.ok("sync-setup", server.calendar, *login, "--accept-certificate", spelled)
        self.assertEqual(found["calendar"], server.calendar)
        self.assertIn("PinnedCertificate=" + server.fingerprint, folder.account())
        folder.ok("add", "1.3.2031", "10:00", "Cez TLS")
        self.assertEqual(folder.sync(), counts(sent=1))

    def test_without_an_account_nothing_of_sync_is_written(self):
        folder = Folder(self)
        folder.ok("add", "1.3.2031", "10:00", "Bez synchronizácie")
        folder.ok("delete", "1.3.2031", "10:00", "Bez synchronizácie")
        self.assertEqual(folder.run("sync")[0], 2)
        self.assertIn("nemá nastavenú synchronizáciu", folder.run("sync")[2])
        folder.ok("sync-setup", "--forget")
        self.assertEqual(folder.files(), [".kalvo.lock", "jana.dat"])


@unittest.skipIf(KEYRING, "runs without a keyring")
class SyncTest(ServerTestCase):
    def test_two_folders_meet_through_each_server(self):
        for kind in ("radicale", "xandikos"):
            with self.subTest(kind):
                server = self.server(kind, auth="basic")
                a, b = Folder(self, "jana"), Folder(self, "jano")
                a.setup(server)
                b.setup(server)
                self.assertEqual(a.sync(), counts())
                a.ok("add", "24.12.2031", "18:00", "Večera – štedrá")
                a.ok("add", "25.12.2031", "12:00", "Obed")
                self.assertEqual(a.sync(), counts(sent=2))
                self.assertEqual(len(server.files()), 2)
                self.assertEqual(b.sync(), counts(received=2))
                self.assertEqual(b.day("24.12.2031"), [("18:00:00", "Večera – štedrá")])
                # Nothing to do on either side sends nothing.
                self.assertEqual(b.sync(), counts())
                self.assertEqual(a.sync(), counts())

                b.ok("delete", "25.12.2031", "12:00", "Obed")
                self.assertEqual(b.sync(), counts(deleted_there=1))
                self.assertEqual(a.sync(), counts(deleted_here=1))
                self.assertEqual(a.day("25.12.2031"), [])
                self.assertEqual(len(server.files()), 1)

    def test_a_copied_reminder_file_adds_nothing_to_the_server(self):
        server = self.server("xandikos")
        a, b = Folder(self, "jana"), Folder(self, "jana")
        for text in ("Prvá", "Druhá"):
            a.ok("add", "2.2.2032", "8:00", text)
        a.setup(server)
        self.assertEqual(a.sync(), counts(sent=2))
        shutil.copy(a.path("jana.dat"), b.path("jana.dat"))
        b.setup(server)
        self.assertEqual(b.sync(), counts())
        self.assertEqual(len(server.files()), 2)

    def test_failures_end_with_exit_1_and_a_slovak_message(self):
        server = self.server("radicale", auth="basic")
        proxy = fault_proxy.FaultProxy(server.base)
        self.addCleanup(proxy.stop)
        folder = Folder(self)
        folder.setup(server, proxy.base + server.calendar[len(server.base):])
        folder.ok("add", "3.3.2032", "9:00", "Čakajúca")
        proxy.add("401", times=10)
        code, out, err = folder.run("sync")
        self.assertEqual((code, out), (1, ""), err)
        self.assertIn("odmietol prihlasovacie meno alebo heslo", err)
        proxy.reset()
        # What waited goes once the server answers.
        self.assertEqual(folder.sync(), counts(sent=1))
        account = folder.account()
        self.assertIn("LastSyncOk=1", account)
        self.assertIn("LastSyncResult=Hotovo – odoslané na server: 1.", account)

        server.stop()
        code, _, err = folder.run("sync")
        self.assertEqual(code, 1, err)
        self.assertIn("LastSyncOk=0", folder.account())

    def test_a_server_that_keeps_asking_for_credentials_is_left_at_once(self):
        # The proxy checks Digest and passes the request on without it; Radicale asks for Basic again.
        server = self.server("radicale")
        proxy = fault_proxy.FaultProxy(server.base)
        self.addCleanup(proxy.stop)
        proxy.require_digest(servers.USER, servers.PASSWORD)
        calendar = proxy.base + server.calendar[len(server.base):]
        folder = Folder(self)
        login = ["--login", servers.USER, "--password-command", "echo " + servers.PASSWORD]
        for args, told in ((login, "odmietol prihlasovacie meno alebo heslo"), ([], "žiada prihlasovacie meno a heslo")):
            proxy.reset()
            code, out, err = folder.run("sync-setup", calendar, *args)
            self.assertEqual((code, out), (1, ""), err)
            self.assertIn(told, err)
            self.assertLessEqual(proxy.count(), 6)
        self.assertFalse(os.path.exists(folder.path(folder.user + ".sync.ini")))

    def test_forget_removes_the_account_and_the_state(self):
        server = self.server("xandikos")
        proxy = fault_proxy.FaultProxy(server.base)
        self.addCleanup(proxy.stop)
        folder = Folder(self)
        folder.setup(server, proxy.base + server.calendar[len(server.base):])
        folder.ok("add", "4.4.2032", "10:00", "Raz")
        folder.sync()
        folder.ok("delete", "4.4.2032", "10:00", "Raz")  # leaves a hint for the next sync
        self.assertIn("jana.sync.hints", folder.files())
        self.assertIn("jana.sync", folder.files())
        before = {name: folder.read(name) for name in folder.files()}
        # While a sync runs (its server stalls), forgetting waits for it a moment, then says why and
        # removes nothing.
        proxy.reset()
        proxy.add("stall")
        running = folder.start("sync")
        try:
            while proxy.count() == 0 and running.poll() is None:
                time.sleep(0.02)
            code, out, err = folder.run("sync-setup", "--forget", env={"KALVO_LOCK_WAIT_MS": "200"})
        finally:
            running.kill()
            running.communicate()
        self.assertEqual((code, out), (1, ""), err)
        self.assertIn("Synchronizácia týchto pripomienok práve prebieha", err)
        self.assertEqual({name: folder.read(name) for name in folder.files()}, before)
        proxy.reset()
        folder.ok("sync-setup", "--forget")
        # The lock file holds nothing and stays: another process may have it open.
        self.assertEqual(folder.files(), [".kalvo.lock", "jana.dat", "jana.sync.lock"])
        self.assertEqual(folder.run("sync")[0], 2)
        # Set up again, the first sync pairs what is there and doubles nothing.
        folder.ok("add", "4.4.2032", "10:00", "Raz")
        folder.setup(server)
        self.assertEqual(folder.sync(), counts())
        self.assertEqual(len(server.files()), 1)


@unittest.skipIf(KEYRING, "runs without a keyring")
class DeleteTest(unittest.TestCase):
    def test_delete_removes_one_and_says_how_many_remain(self):
        folder = Folder(self)
        for _ in range(3):
            folder.ok("add", "5.5.2032", "7:30", "Lieky")
        folder.ok("add", "5.5.2032", "7:30", "Iné")
        self.assertEqual(folder.ok("delete", "5.5.2032", "07:30", "Lieky"), {"remaining": 2})
        code, out, err = folder.run("delete", "5.5.2032", "7:30:00", "Lieky")
        self.assertEqual((code, json.loads(out)), (0, {"remaining": 1}))
        self.assertIn("zostáva ešte 1", err)
        self.assertEqual(folder.ok("delete", "5.5.2032", "7:30", "Lieky"), {"remaining": 0})
        self.assertEqual(folder.day("5.5.2032"), [("7:30:00", "Iné")])

    def test_none_and_bad_arguments(self):
        folder = Folder(self)
        code, out, err = folder.run("delete", "5.5.2032", "7:30", "Nič")
        self.assertEqual((code, out), (1, ""))
        self.assertIn("v zozname nie je", err)
        folder.ok("add", "5.5.2032", "7:30", "Niečo")
        before = folder.read("jana.dat")
        for args, said in ((["31.2.2032", "7:30", "Niečo"], "február 2032 má len 29 dní"),
                           (["5.5.2032", "7.30", "Niečo"], "Neplatný čas"),
                           (["5.5.2032", "7:30"], "delete potrebuje dátum, čas a text")):
            code, out, err = folder.run("delete", *args)
            self.assertEqual((code, out), (2, ""), err)
            self.assertIn(said, err)
        self.assertEqual(folder.run("delete", "5.5.2032", "7:31", "Niečo")[0], 1)
        self.assertEqual(folder.read("jana.dat"), before)


@unittest.skipIf(KEYRING, "runs without a keyring")
class LoadingTest(unittest.TestCase):
    def loaded(self, folder, *args):
        code, _, err = folder.run(*args, env={"LD_DEBUG": "files"})
        return [line.split("file=")[1].split()[0] for line in err.splitlines() if "file=" in line]

    @unittest.skipUnless(sys.platform.startswith("linux"), "the dynamic loader's own report")
    def test_only_the_sync_commands_load_qt(self):
        folder = Folder(self)
        folder.ok("add", "6.6.2032", "6:00", "Ráno")
        for args in (["list", "--day", "6.6.2032"], ["delete", "6.6.2032", "6:00", "Ráno"], ["--help"]):
            names = self.loaded(folder, *args)
            self.assertFalse([n for n in names if "Qt6" in n or "kalvo-cli-sync" in n], (args, names))
        names = self.loaded(folder, "sync")
        self.assertTrue([n for n in names if "kalvo-cli-sync.so" in n], names)
        self.assertTrue([n for n in names if "libQt6Network" in n], names)


@unittest.skipUnless(KEYRING, "needs tests/sync/with_keyring.py")
class KeyringTest(ServerTestCase):
    def test_the_password_lives_in_the_keyring_until_forgotten(self):
        server = self.server("radicale", auth="basic")
        folder = Folder(self)
        args = ["sync-setup", server.calendar, "--login", server.user, "--password-stdin"]
        if KEYRING == "locked":
            code, out, err = folder.run(*args, stdin=server.password.encode() + b"\n")
            self.assertEqual((code, out), (1, ""), err)
            self.assertIn("kľúčenk", err)
            self.assertIn("--password-command", err)
            self.assertFalse(os.path.exists(folder.path(folder.user + ".sync.ini")))
            return
        folder.ok(*args, stdin=server.password.encode() + b"\n")
        self.assertNotIn(server.password, folder.account())
        folder.ok("add", "7.7.2032", "7:00", "Z kľúčenky")
        self.assertEqual(folder.sync(), counts(sent=1))
        # Another folder with the same login on the same server finds the password there.
        other = Folder(self, "jano")
        other.ok("sync-setup", server.calendar, "--login", server.user)
        self.assertEqual(other.sync(), counts(received=1))
        folder.ok("sync-setup", "--forget")
        code, _, err = other.run("sync")
        self.assertEqual(code, 1, err)
        self.assertIn("nie je heslo", err)

    def test_a_calendar_on_another_host_finds_the_password_by_the_address_given(self):
        if KEYRING == "locked":
            self.skipTest("needs an unlocked keyring")
        # The proxy ("localhost") names the principal at the server's own address ("127.0.0.1"), as a
        # provider does whose calendars live on other hosts than the address users type.
        server = self.server("radicale", auth="basic")
        proxy = fault_proxy.FaultProxy(server.base, host="localhost")
        self.addCleanup(proxy.stop)
        proxy.principal_elsewhere(server.base)
        folder = Folder(self)
        found = folder.ok("sync-setup", proxy.base, "--login", server.user, "--password-stdin",
                          stdin=server.password.encode() + b"\n")
        self.assertTrue(found["calendar"].startswith(server.base), found)
        other = Folder(self, "jano")
        self.assertEqual(other.ok("sync-setup", proxy.base, "--login", server.user), found)
        self.assertEqual(other.sync(), counts())
        # Forgotten, the password is gone under every name it was stored by.
        folder.ok("sync-setup", "--forget")
        code, _, err = other.run("sync")
        self.assertEqual(code, 1, err)
        self.assertIn("nie je heslo", err)
        code, _, err = Folder(self, "iva").run("sync-setup", proxy.base, "--login", server.user)
        self.assertEqual(code, 2, err)
        self.assertIn("Chýba heslo", err)


if __name__ == "__main__":
    unittest.main()
